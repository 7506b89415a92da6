// The worker that owns the core (the WebAssembly module) and the one open
// document. The page only asks and draws; every parsing, measuring and
// filtering is a call into the module here.
import { createTarvoCore } from "@tarvo/core/tarvo-core.mjs";
import type { Callbacks, Edit, Packing, Query, TarvoCore, TarvoDocument } from "@tarvo/core/tarvo-core.mjs";
import wasmUrl from "@tarvo/core/tarvo_core.wasm?url";
import type { CallMessage, DocumentState, MessageDetails, RowCells, WorkerMessage } from "../protocol";

declare const self: DedicatedWorkerGlobalScope;

// A pause in the edits this long starts the measure of the pack: typing goes
// on without waiting for one.
const MEASURE_PAUSE_MS = 300;

let core: TarvoCore;
let doc: TarvoDocument | null = null;
let measureTimer: ReturnType<typeof setTimeout> | undefined;

function post(message: WorkerMessage, transfer: Transferable[] = []) {
  self.postMessage(message, transfer);
}

function callbacks(id: number): Callbacks {
  return {
    status: (text) => post({ id, event: "status", text }),
    progress: (done, total) => post({ id, event: "progress", done, total }),
  };
}

function openDocument(): TarvoDocument {
  if (!doc) throw new Error("No document is open.");
  return doc;
}

function costOf(document: TarvoDocument, language: number, text: string): number | null {
  return document.stringCost("standard", language, text);
}

// A row's problems, as the window's table marks them: the inconsistency is named with the selected message only.
function sentences(document: TarvoDocument, language: number, message: number, reference: number) {
  return document.problems(language, message, reference).filter((p) => p.kind !== "inconsistent").map((p) => p.text);
}

// Measures the standard packing, then the compact one, each in its own task
// so that the page's calls between them are answered; a newer edit restarts it.
function scheduleMeasure() {
  clearTimeout(measureTimer);
  measureTimer = setTimeout(() => measureStep("standard"), MEASURE_PAUSE_MS);
}

// A fault of the module loses its documents (the core starts anew): the page
// then replaces this worker and restores the work from what it kept.
class DocumentLost extends Error {}

function checkDocument() {
  if (doc && doc.info() === null) {
    doc = null;
    throw new DocumentLost("the core failed and the open document was lost");
  }
}

function measureStep(packing: Packing) {
  if (!doc) return;
  try {
    checkDocument();
  } catch (error) {
    post({ id: 0, fatal: (error as Error).message });
    return;
  }
  const started = performance.now();
  const measure = doc.measure(packing);
  const ms = performance.now() - started;
  post({ event: "measured", packing, revision: measure.revision, gauge: measure[packing] ?? null, ms });
  if (packing === "standard") measureTimer = setTimeout(() => measureStep("compact"), 0);
}

// A compile moves the standard packer's generator on: the open document's standard figure with it.
function compiled<T>(result: T): T {
  if (doc) scheduleMeasure();
  return result;
}

function changed(info: { revision: number }) {
  scheduleMeasure();
  return info;
}

const api = {
  async init(config: Uint8Array | null) {
    core = await createTarvoCore({ locateFile: () => wasmUrl });
    if (!config) return { ok: true, phoneTypes: core.phoneTypes() };
    return core.loadConfig(config);
  },
  loadConfig: (ini: Uint8Array) => core.loadConfig(ini),
  decompile(image: Uint8Array, name: string, options: { saveLangSignatures: boolean; hexNumbers: boolean }, id: number) {
    const result = core.decompile(image, name, options, callbacks(id));
    return result;
  },
  compile(lgp: Uint8Array, lgpName: string, image: Uint8Array | null, imageName: string,
          options: { crop: boolean; compact: boolean; force: boolean }, id: number) {
    return compiled(core.compile(lgp, lgpName, image, imageName, options, callbacks(id)));
  },
  compileOpen(options: { crop: boolean; compact: boolean; force: boolean }, image: Uint8Array | null,
              imageName: string, id: number) {
    const document = openDocument();
    return compiled(core.compile(document.saveBytes(), document.info().name, image, imageName, options, callbacks(id)));
  },
  check: (lgp: Uint8Array, name: string) => core.check(lgp, name),
  open(bytes: Uint8Array, name: string, asImage: boolean, options: { saveLangSignatures: boolean; hexNumbers: boolean },
       id: number) {
    const opened = asImage ? core.openImage(bytes, name, options, callbacks(id)) : core.openLgp(bytes, name);
    if (!opened.ok) return opened;
    doc?.close();
    doc = opened.document;
    scheduleMeasure();
    return { ok: true, info: doc.info() };
  },
  close() {
    clearTimeout(measureTimer);
    doc?.close();
    doc = null;
  },
  info: () => openDocument().info(),
  find: (query: Query) => openDocument().find(query),
  rows(messages: number[], language: number, reference: number): RowCells[] {
    const document = openDocument();
    return messages.map((message) => {
      const text = document.text(language, message);
      return {
        message,
        reference: document.text(reference, message),
        text,
        cost: costOf(document, language, text),
        problems: sentences(document, language, message, reference),
        changed: document.isChanged(language, message),
      };
    });
  },
  details(message: number, language: number, reference: number): MessageDetails {
    const document = openDocument();
    const text = document.text(language, message);
    const referenceText = document.text(reference, message);
    const problems = document.problems(language, message, reference);
    return {
      message,
      reference: referenceText,
      text,
      canEdit: document.canEdit(language, message),
      cost: costOf(document, language, text),
      problems: problems.map((p) => p.text),
      inconsistent: problems.some((p) => p.kind === "inconsistent"),
      suggestions: document.suggestions(language, reference, message),
      referenceMarks: marksOf(referenceText),
      textMarks: marksOf(text),
    };
  },
  // One edit; `replacesStep` folds it into the undo step of the typing burst it continues.
  apply(edits: Edit[], replacesStep: boolean) {
    const document = openDocument();
    if (replacesStep) document.undo();
    const applied = document.apply(edits);
    if (!applied.ok) return applied;
    return { ok: true, info: changed(document.info()) };
  },
  undo() {
    const document = openDocument();
    document.undo();
    return changed(document.info());
  },
  redo() {
    const document = openDocument();
    document.redo();
    return changed(document.info());
  },
  replaceAll(language: number, find: string, replacement: string, matchCase: boolean, messages?: Int32Array) {
    const document = openDocument();
    const replaced = document.replaceAll(language, find, replacement, matchCase, messages);
    if (!replaced.ok) return replaced;
    return { ...replaced, info: changed(document.info()) };
  },
  carry(oldLgp: Uint8Array, oldName: string, language: number, reference: number) {
    const document = openDocument();
    const carried = document.carryFrom(oldLgp, oldName, language, reference);
    if (!carried.ok) return carried;
    return { ...carried, info: changed(document.info()) };
  },
  useForAll(language: number, reference: number, message: number) {
    const document = openDocument();
    const used = document.useTranslationForAll(language, reference, message);
    if (!used.ok) return used;
    return { ...used, info: changed(document.info()) };
  },
  addMemory: (lgp: Uint8Array, name: string, language: number, reference: number) =>
    openDocument().addMemory(lgp, name, language, reference),
  counts: (language: number, reference: number) => openDocument().counts(language, reference),
  countOccurrences: (language: number, find: string, matchCase: boolean) =>
    openDocument().countOccurrences(language, find, matchCase),
  nextNeedingWork: (language: number, reference: number, after: number) =>
    openDocument().nextNeedingWork(language, reference, after),
  cost: (language: number, text: string) => costOf(openDocument(), language, text),
  marks: (text: string) => marksOf(text),
  save() {
    return openDocument().saveBytes();
  },
  markSaved() {
    const document = openDocument();
    document.markSaved();
    return document.info();
  },
  // The texts that differ from the opened file, language by language.
  state(): DocumentState {
    const document = openDocument();
    const info = document.info();
    const changes: DocumentState["changes"] = [];
    if (info.changedCount > 0) {
      info.langIds.forEach((_, language) => {
        const query = { language, reference: 0, filter: "changed" as const, search: "", searchReference: false, matchCase: false };
        for (const message of document.find(query)) {
          changes.push({ language, message, text: document.text(language, message) });
        }
      });
    }
    return { info, changes };
  },
  // Puts back a document's kept changes as one step, saved or not as it was.
  restore(changes: Edit[], saved: boolean) {
    const document = openDocument();
    if (changes.length > 0) {
      const applied = document.apply(changes);
      if (!applied.ok) return applied;
    }
    if (saved) document.markSaved();
    return { ok: true, info: changed(document.info()) };
  },
  // A fault of the module, for the page's tests of its recovery.
  trap() {
    throw new WebAssembly.RuntimeError("unreachable");
  },
};

const marksOf = (text: string) => core.textMarks(text);

type Method = keyof typeof api;

// Results that own their whole buffer move to the page instead of being
// copied; a view into the module's memory is never handed over.
function owned(value: unknown): Transferable[] {
  const whole = value instanceof Uint8Array || value instanceof Int32Array;
  return whole && value.byteOffset === 0 && value.byteLength === value.buffer.byteLength &&
    value.buffer instanceof ArrayBuffer ? [value.buffer] : [];
}

function transferables(value: unknown): Transferable[] {
  if (value && typeof value === "object" && !ArrayBuffer.isView(value)) {
    const record = value as Record<string, unknown>;
    return [...owned(record.lgp), ...owned(record.image)];
  }
  return owned(value);
}

let ready: () => void;
const loaded = new Promise<void>((resolve) => (ready = resolve));

self.onmessage = async (event: MessageEvent<CallMessage>) => {
  const { id, method, args } = event.data;
  try {
    if (method !== "init") await loaded;
    const run = api[method as Method] as (...a: unknown[]) => unknown;
    const value = await run(...args, id);
    checkDocument();
    if (method === "init") ready();
    post({ id, value }, transferables(value));
  } catch (error) {
    if (error instanceof WebAssembly.RuntimeError || error instanceof DocumentLost || !(error instanceof Error)) {
      // The module may be in any state after a fault: the page replaces this worker.
      post({ id, fatal: error instanceof Error ? `${error.name}: ${error.message}` : String(error) });
    } else {
      post({ id, error: error.message });
    }
  }
};
post({ event: "ready" });
