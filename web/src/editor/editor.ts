// The translation editor over the document the worker holds: every query,
// edit and measure is a call into the core there; this only keeps what is
// shown in step with the document's revision.
import type { Counts, DocumentInfo, Failure, Gauge, MessageFilter } from "@tarvo/core/tarvo-core.mjs";
import type { CoreClient } from "../core-client";
import type { DocumentState, MessageDetails, RowCells, Suggestion } from "../protocol";
import { choose, showMessage } from "../dialogs";
import { baseName, mayWrite, openFile, saveFile, type OpenedFile } from "../files";
import { chooseTarget, compileInto, fileProblem, readBytes, type CommandView } from "../commands";
import { grouped, messageNumber, oneLine, parseMessageNumber } from "../format";
import { buildEditorView, type EditorControls } from "./editor-view";
import { MessageTable } from "./message-table";
import { drawMarked } from "./marks";
import { gaugeParts, gaugeShares, type MeasuredGauge } from "./gauge";
import type { LanguageNames } from "./language-names";
import { drawSuggestions, showDifference } from "./suggestions";

// The spell checker's language for each LangId, as the person chose it
// (where the browser keeps nothing, for this visit only).
const spellings = new Map<number, string>();
function spellingOf(langId: number | undefined): string {
  if (langId === undefined) return "";
  try {
    return spellings.get(langId) ?? localStorage.getItem(`spelling-${langId}`) ?? "";
  } catch {
    return "";
  }
}
function keepSpelling(langId: number | undefined, lang: string) {
  if (langId === undefined) return;
  spellings.set(langId, lang);
  try {
    localStorage.setItem(`spelling-${langId}`, lang);
  } catch {
    // kept for this visit
  }
}

// Keystrokes into one message closer than this make one undo step.
const TYPING_PAUSE_MS = 2000;

/** Where the open texts came from and where Save and Compile write. */
export interface OpenSource {
  name: string;
  bytes: Uint8Array;
  asImage: boolean;
  lgpHandle?: FileSystemFileHandle; // Save writes here
  image?: OpenedFile; // the flash image or language file the texts came from
}

export interface EditorHost extends CommandView {
  /** The editor is shown (a document is open) or not. */
  shown(open: boolean): void;
  setCounts(text: string): void;
  setGauge(parts: { text: string; over: boolean }[] | null, shares: string): void;
  /** The document changed (or was saved): keep it. */
  changed(state: DocumentState, view: { language: number; reference: number; message: number }): void;
  closed(): void;
  /** The names given to LangIds. */
  readonly names: LanguageNames;
}

type Edited = { ok: true; info: DocumentInfo } | Failure;

export class Editor {
  readonly controls: EditorControls;
  private readonly table: MessageTable;
  private info: DocumentInfo | null = null;
  private source: OpenSource | null = null;
  private language = 0;
  private reference = 0;
  private standard: MeasuredGauge | null = null;
  private compact: MeasuredGauge | null = null;
  private typing = { message: -1, revision: -1, at: 0 };
  private sending: Promise<unknown> = Promise.resolve();
  private detailsFor = -1;
  private busy = false;
  private suggestions: Suggestion[] = [];
  // The translation memories added, for every document opened in this visit.
  private memories: { name: string; bytes: Uint8Array }[] = [];

  constructor(private readonly root: HTMLElement, private readonly core: CoreClient, private readonly host: EditorHost) {
    this.controls = buildEditorView(root);
    this.table = new MessageTable({
      fetchRows: (messages) => this.core.call<RowCells[]>("rows", [messages, this.language, this.reference]),
      currentChanged: () => {
        this.typing.message = -1;
        void this.showDetails();
      },
      editCurrent: () => this.controls.translation.focus(),
    });
    this.controls.tableSlot.append(this.table.element);
    this.wire();
  }

  get document() {
    return this.info;
  }

  get openSource() {
    return this.source;
  }

  get view() {
    return { language: this.language, reference: this.reference, message: this.table.currentMessage() };
  }

  /** Opens a file in the editor; false (after saying why) when it cannot be opened. */
  async open(source: OpenSource, restore?: DocumentState["changes"], saved = false,
             view?: { language: number; reference: number; message: number }): Promise<boolean> {
    const opened = await this.core.call<{ ok: true; info: DocumentInfo } | Failure>("open",
      [source.bytes, source.name, source.asImage, this.host.options()], this.host);
    if (!opened.ok) {
      const text = opened.message.includes(source.name) ? opened.message : `Cannot open ${source.name}: ${opened.message}`;
      await showMessage(text, "Cannot open");
      return false;
    }
    let info = opened.info;
    if (restore) {
      const restored = await this.core.call<{ ok: true; info: DocumentInfo } | Failure>("restore", [restore, saved]);
      if (restored.ok) info = restored.info;
    }
    this.source = source;
    this.info = info;
    this.detailsFor = -1;
    this.typing.message = -1;
    this.standard = this.compact = null;
    this.root.hidden = false;
    this.host.shown(true);
    this.table.mount();
    this.fillLanguages(info, view);
    for (const memory of this.memories) {
      // One that does not serve this pack's languages gives no suggestions.
      await this.core.call("addMemory", [memory.bytes, memory.name, this.language, this.reference]);
    }
    await this.refilter(view?.message ?? 0);
    this.afterChange(false);
    return true;
  }

  private fillLanguages(info: DocumentInfo, view?: { language: number; reference: number }) {
    const { editLanguage, referenceLanguage } = this.controls;
    for (const chooser of [editLanguage, referenceLanguage]) {
      chooser.replaceChildren(...info.langIds.map((_, l) => {
        const option = document.createElement("option");
        option.value = String(l);
        return option;
      }));
    }
    const count = info.langIds.length;
    this.language = view && view.language < count ? view.language : count > 1 ? 1 : 0;
    this.reference = view && view.reference < count ? view.reference : 0;
    editLanguage.value = String(this.language);
    referenceLanguage.value = String(this.reference);
    this.table.hex = info.hexNumbers;
    this.languagesShown();
  }

  private languagesShown() {
    const langIds = this.info?.langIds ?? [];
    const label = (l: number) => this.host.names.label(langIds[l]);
    for (const chooser of [this.controls.editLanguage, this.controls.referenceLanguage]) {
      [...chooser.options].forEach((option, l) => (option.textContent = `${l + 1}: ${label(l)}`));
    }
    this.table.setHeader(`Reference (${label(this.reference)})`, `Translation (${label(this.language)})`);
    this.controls.languageName.value = this.host.names.name(langIds[this.language]);
    const spelling = spellingOf(langIds[this.language]);
    this.controls.spelling.value = spelling;
    this.controls.translation.lang = spelling;
  }

  /** Asks the core for the rows of the chosen filter and search. */
  private async refilter(keep = this.table.currentMessage()) {
    if (!this.info) return;
    const query = { language: this.language, reference: this.reference,
      filter: this.controls.filter.value as MessageFilter, search: this.controls.search.value,
      searchReference: true, matchCase: false };
    const rows = await this.core.call<Int32Array>("find", [query]);
    this.table.setRows(rows, keep);
  }

  // After every change of the texts: rows, details, counts, gauge, and keeping it.
  private afterChange(keep = true) {
    if (!this.info) return;
    this.table.invalidate();
    void this.showDetails();
    void this.showCounts();
    this.showGauge();
    this.showTitle();
    if (keep) void this.keep();
  }

  private async keep() {
    const state = await this.core.call<DocumentState>("state");
    this.host.changed(state, this.view);
  }

  private showTitle() {
    const info = this.info;
    const menu = this.controls.menu;
    this.controls.title.textContent = info ? `${info.modified ? "*" : ""}${this.source?.name} - Tarvo editor` : "Tarvo editor";
    menu.undo.disabled = !info?.canUndo;
    menu.redo.disabled = !info?.canRedo;
  }

  private async showCounts() {
    const counts = await this.core.call<Counts>("counts", [this.language, this.reference]);
    this.host.setCounts(`Translated ${grouped(counts.translated)} of ${grouped(counts.withReference)} · ` +
      `${grouped(counts.withProblems)} with problems · ${grouped(counts.changed)} changed`);
  }

  measured(packing: "standard" | "compact", revision: number, gauge: Gauge | null) {
    if (packing === "standard") this.standard = { revision, gauge };
    else this.compact = { revision, gauge };
    if (!this.info) return;
    this.showGauge();
    // Costs and the problems that need a dictionary follow the newest measure.
    this.table.invalidate();
    void this.showDetails();
    void this.showCounts();
  }

  private showGauge() {
    if (!this.info) return;
    const parts = gaugeParts(this.standard, this.compact, this.info.revision);
    const labels = this.info.langIds.map((langId) => this.host.names.label(langId));
    this.host.setGauge(parts, parts ? gaugeShares(this.standard!.gauge, this.compact!.gauge, labels) : "");
  }

  private async showDetails() {
    const message = this.table.currentMessage();
    const c = this.controls;
    if (!this.info || message < 0) {
      c.messageTitle.textContent = "";
      c.referenceView.replaceChildren();
      c.translation.value = "";
      c.translation.readOnly = true;
      c.useForAll.hidden = true;
      this.showSuggestions([]);
      return;
    }
    const details = await this.core.call<MessageDetails>("details", [message, this.language, this.reference]);
    if (message !== this.table.currentMessage()) return;
    const langIds = this.info.langIds;
    c.messageTitle.textContent = `Message ${messageNumber(message, this.info.hexNumbers)} · ` +
      `${this.host.names.label(langIds[this.language])} against ${this.host.names.label(langIds[this.reference])}`;
    drawMarked(c.referenceView, details.reference, details.referenceMarks);
    // The field keeps what is being typed; the core's text is the same once the edit is in.
    const typingHere = document.activeElement === c.translation && this.detailsFor === message;
    if (!typingHere && c.translation.value !== details.text) c.translation.value = details.text;
    if (c.translation.value === details.text) drawMarked(c.backdrop, details.text, details.textMarks);
    c.translation.readOnly = !details.canEdit;
    this.detailsFor = message;
    this.showProblemsAndCost(details);
    c.useForAll.hidden = !details.inconsistent;
    this.showSuggestions(details.suggestions);
  }

  private showSuggestions(suggestions: Suggestion[]) {
    this.suggestions = suggestions;
    const c = this.controls;
    drawSuggestions(c.suggestionList, suggestions, (index) => void this.useSuggestion(index),
                    (index) => showDifference(c.suggestionDifference, suggestions[index]));
    showDifference(c.suggestionDifference, suggestions[0]);
  }

  // Runs an edit of the core's that makes one undo step, then shows its result.
  private async editInCore(method: string, args: unknown[]) {
    if (!this.info || this.busy) return null;
    await this.sending;
    this.typing.message = -1;
    const edited = await this.core.call<Edited & { count?: number }>(method, args);
    if (!edited.ok) {
      await showMessage(edited.message, "Cannot edit");
      return null;
    }
    this.info = edited.info;
    this.detailsFor = -1;
    this.afterChange();
    return edited;
  }

  /** Puts suggestion `index` (from 0) into the translation: one undo step. */
  async useSuggestion(index: number) {
    const message = this.table.currentMessage();
    const suggestion = this.suggestions[index];
    if (!suggestion || message < 0 || this.detailsFor !== message || this.controls.translation.readOnly) return;
    await this.editInCore("apply", [[{ language: this.language, message, text: suggestion.target }], false]);
  }

  /** Gives every message with this reference text the selected message's translation: one undo step. */
  async useForAll() {
    const message = this.table.currentMessage();
    if (message < 0) return;
    const used = await this.editInCore("useForAll", [this.language, this.reference, message]);
    if (used) this.host.status?.(`${used.count} messages take this translation.`);
  }

  /** Adds an .lgp file of the same phone type as a translation memory, for this visit. */
  async addMemory() {
    if (!this.info || this.busy) return;
    const file = await openFile("lgp", "Add translation memory...");
    if (!file) return;
    const bytes = await readBytes(file);
    if (!bytes) return;
    const added = await this.core.call<{ ok: true } | Failure>("addMemory",
      [bytes, file.name, this.language, this.reference]);
    if (!added.ok) {
      const text = added.message.includes(file.name) ? added.message : `Cannot read ${file.name}: ${added.message}`;
      await showMessage(text, "Translation memory");
      return;
    }
    this.memories = [...this.memories.filter((m) => m.name !== file.name), { name: file.name, bytes }];
    this.detailsFor = -1;
    void this.showDetails();
  }

  private async nameLanguage() {
    const langId = this.info?.langIds[this.language];
    if (langId === undefined) return;
    if (!(await this.host.names.set(langId, this.controls.languageName.value))) {
      this.host.status?.("The browser keeps no names: this one holds for this visit.");
    }
    this.languagesShown();
    this.showGauge();
    this.detailsFor = -1;
    void this.showDetails();
  }

  private showProblemsAndCost(details: { problems: string[]; cost: number | null }) {
    this.controls.problems.textContent = details.problems.join("\n");
    this.controls.cost.textContent = details.cost == null ? "This string: measuring..." : `This string: ${grouped(details.cost)} bytes`;
  }

  // Typing into the field: each change goes to the core in order; keystrokes
  // into one message, with nothing else done between them, are one undo step.
  private fieldEdited() {
    const c = this.controls;
    const message = this.table.currentMessage();
    if (!this.info || message < 0 || c.translation.readOnly) return;
    const line = oneLine(c.translation.value);
    if (line !== c.translation.value) {
      c.translation.value = line;
      c.translation.selectionStart = c.translation.selectionEnd = line.length;
    }
    const now = performance.now();
    const language = this.language;
    this.sending = this.sending.then(async () => {
      // Decided once the edits before it are in: a burst continues the step it began.
      const burst = this.typing.message === message && this.typing.revision === this.info?.revision &&
        now - this.typing.at < TYPING_PAUSE_MS;
      this.typing.at = now;
      this.typing.message = message;
      const applied = await this.core.call<{ ok: true; info: DocumentInfo } | Failure>("apply",
        [[{ language, message, text: line }], burst]);
      if (!applied.ok) {
        await showMessage(applied.message, "Cannot edit");
        return;
      }
      this.info = applied.info;
      this.typing.revision = applied.info.revision;
      this.afterChange();
    }).catch(() => {}); // a worker that failed is restarted, and the work restored, elsewhere
  }

  async undo(redo = false) {
    if (!this.info || this.busy || !(redo ? this.info.canRedo : this.info.canUndo)) return;
    await this.sending;
    this.typing.message = -1;
    this.info = await this.core.call<DocumentInfo>(redo ? "redo" : "undo");
    this.detailsFor = -1;
    this.afterChange();
  }

  async goTo(message: number): Promise<boolean> {
    if (!this.info || message < 0 || message > this.info.maxMsgId) return false;
    if (this.table.rowOf(message) < 0) {
      // Shown only among all messages: the filter and the search give way.
      this.controls.filter.value = "all";
      this.controls.search.value = "";
      await this.refilter(message);
    }
    const row = this.table.rowOf(message);
    return row >= 0 && this.table.select(row);
  }

  async nextNeedingWork() {
    if (!this.info) return;
    const after = this.table.currentMessage();
    let next = await this.core.call<number>("nextNeedingWork", [this.language, this.reference, after]);
    // From the top again, as the window goes round.
    if (next < 0 && after >= 0) next = await this.core.call<number>("nextNeedingWork", [this.language, this.reference, -1]);
    if (next < 0) this.host.status?.("No message needs work.");
    else await this.goTo(next);
  }

  private async updateFindCount() {
    const c = this.controls;
    if (!this.info || !c.findText.value) {
      c.findCount.textContent = "";
      return;
    }
    const found = await this.core.call<number>("countOccurrences", [this.language, c.findText.value, c.matchCase.checked]);
    c.findCount.textContent = `${grouped(found)} found`;
  }

  // The messages whose edited text holds the find field's text.
  private findInEdited() {
    const c = this.controls;
    const query = { language: this.language, reference: this.language, filter: "all", search: c.findText.value,
      searchReference: false, matchCase: c.matchCase.checked };
    return this.core.call<Int32Array>("find", [query]);
  }

  /** Replaces in the edited language, in every message or in those given; one undo step. */
  async replaceAll(messages?: Int32Array) {
    const c = this.controls;
    if (!this.info || !c.findText.value || this.busy) return;
    await this.sending;
    const replaced = await this.core.call<{ ok: true; count: number; info: DocumentInfo } | Failure>("replaceAll",
      [this.language, c.findText.value, c.replaceText.value, c.matchCase.checked, messages]);
    if (!replaced.ok) {
      await showMessage(replaced.message, "Cannot edit");
      return;
    }
    this.info = replaced.info;
    this.detailsFor = -1;
    this.afterChange();
    c.findCount.textContent = `Replaced ${grouped(replaced.count)}`;
    if (messages) void this.updateFindCount();
  }

  // Replaces within the current message, or goes on to the next one that has the text.
  async replaceOne() {
    const c = this.controls;
    if (!this.info || !c.findText.value || this.busy) return;
    const message = this.table.currentMessage();
    const found = await this.findInEdited();
    if (message >= 0 && found.includes(message)) {
      await this.replaceAll(Int32Array.of(message));
      return;
    }
    const next = found.find((m) => m > message) ?? found[0];
    if (next !== undefined) await this.goTo(next);
  }

  async save(as = false): Promise<boolean> {
    if (!this.info || !this.source || this.busy) return false;
    await this.sending;
    const source = this.source;
    const handle = as ? undefined : source.lgpHandle;
    if (handle && !(await mayWrite(handle))) return false;
    const name = source.asImage ? `${baseName(source.name)}.lgp` : source.name;
    const bytes = this.core.call<Uint8Array>("save");
    try {
      if (!(await saveFile(bytes, name, "lgp", "Save LGpack as...", handle))) return false;
    } catch (error) {
      await fileProblem("Cannot save", name, error);
      return false;
    }
    this.info = await this.core.call<DocumentInfo>("markSaved");
    this.showTitle();
    this.host.status?.(`Saved ${name}`);
    void this.keep();
    return true;
  }

  async compileToFlash() {
    if (!this.info || !this.source || this.busy) return;
    await this.sending;
    let file: OpenedFile | null = null;
    const image = this.source.image;
    if (image) {
      const choice = await choose("Compile to flash", `Write the pack into ${image.name}, the file these texts came from?`,
        [`Write into ${image.name}`, "Choose another file...", "Cancel"]);
      if (choice === 2) return;
      if (choice === 0) file = image;
    }
    const target = await chooseTarget(file);
    if (!target) return;
    this.busy = true;
    try {
      await compileInto(target, (options) =>
        this.core.call("compileOpen", [options, target.image, target.file.name], this.host), this.host);
    } finally {
      this.busy = false;
    }
  }

  async carry() {
    if (!this.info || this.busy) return;
    const old = await openFile("lgp", "Carry translations from...");
    if (!old) return;
    const bytes = await readBytes(old);
    if (!bytes) return;
    await this.sending;
    const carried = await this.core.call<{ ok: true; summary: string; info: DocumentInfo } | Failure>("carry",
      [bytes, old.name, this.language, this.reference]);
    if (!carried.ok) {
      const text = carried.message.includes(old.name) ? carried.message : `Cannot read ${old.name}: ${carried.message}`;
      await showMessage(text, "Cannot carry translations");
      return;
    }
    this.info = carried.info;
    this.detailsFor = -1;
    this.afterChange();
    await showMessage(carried.summary, "Carry translations");
  }

  /** Asks about unsaved changes; false when the person cancels. */
  async askToKeepChanges(): Promise<boolean> {
    if (!this.info?.modified) return true;
    const choice = await choose("Unsaved changes", `${this.source?.name} has changes that are not saved. Save them?`,
      ["Save", "Discard", "Cancel"]);
    if (choice === 0) return this.save();
    return choice === 1;
  }

  async close() {
    if (!(await this.askToKeepChanges())) return;
    await this.core.call("close");
    this.info = null;
    this.source = null;
    this.root.hidden = true;
    this.host.shown(false);
    this.host.setCounts("");
    this.host.setGauge([], "");
    this.host.closed();
  }

  /** Keys of the window's editor, where the browser lets the page have them. */
  key(event: KeyboardEvent) {
    if (!this.info || this.root.hidden) return;
    const ctrl = event.ctrlKey || event.metaKey;
    // Browsers may keep Ctrl+1 to Ctrl+8 for their tabs: Alt+1 to Alt+5 put a
    // suggestion in too (by the key's place, which Alt does not change).
    const suggestion = /^Digit[1-5]$/.test(event.code) && !event.shiftKey && ctrl !== event.altKey;
    if (suggestion) {
      event.preventDefault();
      void this.useSuggestion(Number(event.code.slice(5)) - 1);
      return;
    }
    if (!ctrl) return;
    const c = this.controls;
    const k = event.key.toLowerCase();
    const actions: Record<string, () => unknown> = {
      s: () => this.save(event.shiftKey),
      z: () => this.undo(event.shiftKey),
      y: () => this.undo(true),
      f: () => { c.search.focus(); c.search.select(); },
      h: () => this.showReplace(),
      g: () => { c.goTo.focus(); c.goTo.select(); },
      b: () => this.compileToFlash(),
      enter: () => this.nextNeedingWork(),
      arrowdown: () => this.table.step(1),
      arrowup: () => this.table.step(-1),
    };
    if (!(k in actions)) return;
    event.preventDefault();
    void actions[k]();
  }

  private showReplace() {
    const c = this.controls;
    c.replaceBar.hidden = false;
    if (!c.findText.value) c.findText.value = c.search.value;
    c.findText.focus();
    c.findText.select();
    void this.updateFindCount();
  }

  private wire() {
    const c = this.controls;
    const m = c.menu;
    m.save.onclick = () => this.save();
    m.saveAs.onclick = () => this.save(true);
    m.compile.onclick = () => this.compileToFlash();
    m.carry.onclick = () => this.carry();
    m.addMemory.onclick = () => this.addMemory();
    c.useForAll.onclick = () => this.useForAll();
    c.languageName.onchange = () => this.nameLanguage();
    m.undo.onclick = () => this.undo();
    m.redo.onclick = () => this.undo(true);
    m.next.onclick = () => this.nextNeedingWork();
    m.replace.onclick = () => this.showReplace();
    m.close.onclick = () => this.close();
    const languagesChosen = () => {
      this.language = Number(c.editLanguage.value);
      this.reference = Number(c.referenceLanguage.value);
      this.typing.message = -1;
      this.languagesShown();
      void this.refilter();
      this.afterChange(false);
      void this.updateFindCount();
    };
    c.editLanguage.onchange = languagesChosen;
    c.referenceLanguage.onchange = languagesChosen;
    c.filter.onchange = () => this.refilter();
    c.search.oninput = () => this.refilter();
    c.goTo.onkeydown = async (event) => {
      if (event.key !== "Enter") return;
      const message = parseMessageNumber(c.goTo.value);
      if (message === null || !(await this.goTo(message))) {
        this.host.status?.(`There is no message ${c.goTo.value}.`);
        return;
      }
      this.table.element.focus();
    };
    c.spelling.onchange = () => {
      const langId = this.info?.langIds[this.language];
      keepSpelling(langId, c.spelling.value.trim());
      c.translation.lang = c.spelling.value.trim();
    };
    c.translation.oninput = () => this.fieldEdited();
    c.translation.onkeydown = (event) => {
      if (event.key === "Enter" && !event.ctrlKey && !event.metaKey && !event.shiftKey && !event.altKey) {
        // A line break in a message is its escape.
        event.preventDefault();
        c.translation.setRangeText("<0A>", c.translation.selectionStart, c.translation.selectionEnd, "end");
        this.fieldEdited();
      }
    };
    c.translation.onscroll = () => { c.backdrop.scrollTop = c.translation.scrollTop; };
    c.findText.oninput = () => this.updateFindCount();
    c.matchCase.onchange = () => this.updateFindCount();
    c.replaceOne.onclick = () => this.replaceOne();
    c.replaceAll.onclick = () => this.replaceAll();
  }
}
