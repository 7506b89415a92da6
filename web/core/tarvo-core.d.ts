// The JavaScript face of Tarvo's core, compiled to WebAssembly. One instance
// holds one configuration, the standard packer's pivot generator and the open
// documents. Every call returns plain data; no exception of the core crosses
// into JavaScript: a failure comes back as { ok: false, message, title }.

export interface Failure {
  ok: false;
  message: string; // the text the window shows, e.g. "Unknow phone's flash!"
  title: string; // the title of the window's message box, e.g. "Error"
}

/** A message the command showed on its way (a notice, a question it was answered, a warning). */
export interface CommandMessage {
  kind: "notice" | "crop" | "missingSignature" | "compact";
  text: string;
  title: string;
  report: string; // what a command line prints below (or, for "compact", instead of) the text
}

/** A question that the command needs answered and was not: nothing was made. */
export interface Question {
  ok: false;
  question: CommandMessage; // ask the person, then run again with the matching option set
  messages: CommandMessage[];
}

export interface Callbacks {
  status?(text: string): void; // "Analyzing...", "Decompiling...", "Reading...", "Packing...", "Writing..."
  progress?(done: number, total: number): void;
  message?(message: CommandMessage): void; // each message as it is shown (a question not answered yes is not)
  warnings?(warnings: string[]): void; // the reader's warnings, "line N: what", as they come
}

export interface DecompileOptions {
  saveLangSignatures: boolean; // "Save language signatures in .lgp"
  hexNumbers: boolean; // "String numbers in hex"
}

export interface DecompileResult {
  ok: true;
  lgp: Uint8Array; // the .lgp file's bytes
}

export interface CompileOptions {
  crop: boolean; // the crop question answered yes
  compact: boolean; // pack compactly (or: the compact question answered yes)
  force: boolean; // the missing-signature question answered yes
  imageError?: string; // the image could not be read: the failure's message where the pack needs the image
}

export interface CompileResult {
  ok: true;
  image: Uint8Array; // the whole new flash image, or the new language file
  languageFile: boolean;
  packStart: number; // where the pack starts in image
  written: "standard" | "compact";
  changedFrom: number; // the bytes of image from here to changedTo are the new pack's; the rest is as it was
  changedTo: number;
  warnings: string[]; // reader warnings, "line N: what"
  messages: CommandMessage[];
}

/** Failed with a message; `silent` when the command ended without one (empty file, no byte order mark). */
export interface CompileFailure extends Failure {
  silent: boolean;
  empty: boolean; // the .lgp text was empty (0 bytes)
  warnings: string[];
  messages: CommandMessage[];
}

export interface CheckResult {
  ok: true;
  json: string; // exactly what `tarvo-cli check --json` writes
  text: string; // exactly what `tarvo-cli check` writes
  fits: boolean; // exit status 0 when true, 1 when false
  read: boolean; // the file was read in full as an .lgp file
  languages: number; // the file's languages
}

export interface MergeOptions {
  language: number; // counted from 1
  reference?: number; // counted from 1, default 1
  fuzzy?: boolean;
}

export interface MergeResult {
  ok: true;
  lgp: Uint8Array; // the merged new pack
  summary: string; // what `tarvo-cli merge` writes to standard error
  json: string; // what `tarvo-cli merge --json` writes to standard output
}

export type MessageFilter = "all" | "untranslated" | "sameAsReference" | "withProblems" | "changed" | "overlong"
  | "inconsistent"; // another message with the same reference text is translated differently
export type Packing = "standard" | "compact";

export interface Gauge {
  packed: boolean;
  failure: string;
  length: number;
  sizeLimit: number;
  spare: number; // negative when over
  tablesFitFirstBlock: boolean;
  overlong: number;
  fits: boolean;
  payloads: number[]; // per language
}

export interface Measure {
  revision: number;
  unencodable: number;
  standard?: Gauge;
  compact?: Gauge;
}

export interface DocumentInfo {
  name: string;
  fromFlash: boolean;
  phoneType: string;
  packSizeLimit: number;
  maxMsgId: number;
  messageCount: number;
  langIds: number[]; // per language, counted from 0
  hexNumbers: boolean;
  revision: number;
  modified: boolean;
  changedCount: number;
  canUndo: boolean;
  canRedo: boolean;
}

export interface Query {
  language: number; // counted from 0
  reference: number; // counted from 0
  filter: MessageFilter;
  search: string;
  searchReference: boolean;
  matchCase: boolean;
}

export interface Counts {
  withReference: number;
  translated: number;
  withProblems: number;
  changed: number;
}

export interface Edit {
  language: number;
  message: number;
  text: string;
}

/** A translation for a message from one of the same or a similar reference text. */
export interface Suggestion {
  source: string; // the reference text it translates
  target: string; // the translation suggested
  score: number; // 100 for the same reference text, else from 70
  origin: string; // the memory's file name; "" for the document's own messages
  message: number; // the message it comes from, -1 where none is known
  difference: { kind: "same" | "added" | "removed"; text: string }[]; // from its reference text to this one's
}

/** An open document. Languages are counted from 0 here, as the editor counts them. */
export interface TarvoDocument {
  info(): DocumentInfo;
  texts(language: number): string[]; // every message's current text, 0 to maxMsgId
  originalTexts(language: number): string[]; // every message's text as opened
  text(language: number, message: number): string;
  originalText(language: number, message: number): string;
  isChanged(language: number, message: number): boolean;
  canEdit(language: number, message: number): boolean;
  apply(edits: Edit[]): { ok: true; revision: number } | Failure; // one undo step
  undo(): number; // the new revision
  redo(): number;
  /** Its problems as the window names them, the inconsistency ("inconsistent") among them. */
  problems(language: number, message: number, reference: number): { kind: string; text: string }[];
  find(query: Query): Int32Array;
  nextNeedingWork(language: number, reference: number, after: number): number; // -1 when none
  counts(language: number, reference: number): Counts;
  replaceAll(language: number, find: string, replacement: string, matchCase: boolean, messages?: Int32Array):
    { ok: true; count: number; revision: number } | Failure;
  /** Measures the current texts with one packing (or both); the latest measure serves problems, find and cost. */
  measure(packing?: Packing): Measure;
  stringCost(packing: Packing, language: number, text: string): number | null;
  /** How often `find` stands in the language's texts, as find and replace counts it. */
  countOccurrences(language: number, find: string, matchCase: boolean): number;
  saveBytes(): Uint8Array;
  markSaved(): void;
  /** Carries an older pack's translation of `language` (matched by `reference`) in as one undo step. */
  carryFrom(oldLgp: Uint8Array, oldName: string, language: number, reference: number):
    { ok: true; summary: string; changed: number; revision: number } | Failure;
  /**
   * Up to `limit` (5) suggestions from the document's other messages and the memories added, best first.
   * The index of the document's reference texts is made at the first call for a reference language.
   */
  suggestions(language: number, reference: number, message: number, limit?: number): Suggestion[];
  /** Another .lgp file of this phone type as a translation memory; the Failure names the file. */
  addMemory(lgp: Uint8Array, name: string, language: number, reference: number): { ok: true } | Failure;
  clearMemories(): void;
  /** Gives every message with the reference text of `message` its translation, as one undo step. */
  useTranslationForAll(language: number, reference: number, message: number):
    { ok: true; count: number; revision: number } | Failure;
  close(): void; // frees it; the object is unusable afterwards
}

/** An escape ("<0A>", "<81>") or printf-style conversion ("%s", "%1$d") in a text, in UTF-16 units. */
export interface TextMark {
  start: number;
  length: number;
  kind: "escape" | "conversion";
}

export interface TarvoCore {
  /** Replaces the configuration in use with this tarvo.ini text; on failure the old one stays. */
  loadConfig(ini: Uint8Array): { ok: true; phoneTypes: string[] } | Failure;
  phoneTypes(): string[];
  decompile(image: Uint8Array, fileName: string, options: DecompileOptions, callbacks?: Callbacks):
    DecompileResult | Failure;
  /** `image` null for a phone type that writes a new language file. */
  compile(lgp: Uint8Array, lgpName: string, image: Uint8Array | null, imageName: string, options: CompileOptions,
          callbacks?: Callbacks): CompileResult | Question | CompileFailure;
  check(lgp: Uint8Array, name: string, reference?: number): CheckResult | Failure;
  merge(oldLgp: Uint8Array, oldName: string, newLgp: Uint8Array, newName: string, options: MergeOptions):
    MergeResult | Failure;
  /** The escapes and conversions of a text, in the order they stand, as the window's editor colours them. */
  textMarks(text: string): TextMark[];
  openLgp(lgp: Uint8Array, name: string): { ok: true; document: TarvoDocument } | Failure;
  openImage(image: Uint8Array, name: string, options: DecompileOptions, callbacks?: Callbacks):
    { ok: true; document: TarvoDocument } | Failure;
}

export interface CreateOptions {
  wasmBinary?: ArrayBuffer | Uint8Array; // under Node.js: the .wasm file's bytes
  locateFile?(path: string): string; // in a browser: where the .wasm file is served
}

/** Loads the module; the configuration in use is the built-in default tarvo.ini until loadConfig. */
export function createTarvoCore(options?: CreateOptions): Promise<TarvoCore>;
