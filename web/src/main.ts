// The page: the window's main view, its status bar, the configuration in
// use, the editor, and keeping the open work in the browser.
import "./style.css";
import type { Failure } from "@tarvo/core/tarvo-core.mjs";
import { CoreClient, WorkerFault } from "./core-client";
import { compileCommand, decompileCommand, readBytes, type CommandView } from "./commands";
import { choose, showMessage } from "./dialogs";
import { openFile, type OpenedFile } from "./files";
import { Storage, type KeptWork } from "./storage";
import { Editor, type OpenSource } from "./editor/editor";
import { LanguageNames } from "./editor/language-names";
import type { DocumentState } from "./protocol";

const byId = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;
const controls = {
  decompile: byId<HTMLButtonElement>("DecompileBase"),
  compile: byId<HTMLButtonElement>("CompileBase"),
  edit: byId<HTMLButtonElement>("EditBase"),
  signatures: byId<HTMLInputElement>("SaveLangSigCheck"),
  hex: byId<HTMLInputElement>("HexStringNumbersCheck"),
  config: byId<HTMLButtonElement>("ConfigBase"),
  configInUse: byId<HTMLSpanElement>("ConfigInUse"),
  configRemove: byId<HTMLButtonElement>("ConfigRemove"),
  notice: byId<HTMLParagraphElement>("Notice"),
  status: byId<HTMLSpanElement>("StatusPanel"),
  progress: byId<HTMLProgressElement>("ProgressBar"),
  counts: byId<HTMLSpanElement>("Counts"),
  gauge: byId<HTMLSpanElement>("Gauge"),
};

const storage = new Storage();
let configName: string | null = null;

const view: CommandView = {
  status: (text) => (controls.status.textContent = text),
  progress: (done, total) => {
    controls.progress.max = Math.max(total, 1);
    controls.progress.value = done;
  },
  lock(locked) {
    for (const button of [controls.decompile, controls.compile, controls.edit, controls.config, controls.signatures]) {
      button.disabled = locked;
    }
    if (locked) view.progress?.(0, 100);
  },
  options: () => ({ saveLangSignatures: controls.signatures.checked, hexNumbers: controls.hex.checked }),
};

const core = new CoreClient({
  measured: (packing, revision, gauge, ms) => {
    // How long the worker measured, for the benchmark.
    controls.gauge.dataset[`${packing}Ms`] = ms.toFixed(1);
    editor.measured(packing, revision, gauge);
  },
  failed: (reason) => void recover(reason),
}, () => new Worker(new URL("./worker/core-worker.ts", import.meta.url), { type: "module" }));

const names = new LanguageNames((kept) => storage.keepLanguageNames(kept));
const editor = new Editor(byId("editor"), core, {
  ...view,
  names,
  shown: (open) => (byId("DropHint").hidden = open),
  setCounts: (text) => (controls.counts.textContent = text),
  setGauge(parts, shares) {
    controls.gauge.title = shares;
    if (!parts) {
      controls.gauge.textContent = "Measuring...";
      return;
    }
    controls.gauge.replaceChildren(...parts.flatMap((part, i) => {
      const span = document.createElement("span");
      span.textContent = part.text;
      if (part.over) span.className = "over";
      return i > 0 ? [" \u00B7 ", span] : [span];
    }));
  },
  changed: (state, shown) => void keepWork(state, shown),
  closed: () => void storage.keepWork(undefined).then(() => storage.keepWorkFile(undefined)),
});

function notice(text: string) {
  controls.notice.textContent = text;
  controls.notice.hidden = false;
}

function storageFailed() {
  notice("This browser does not let the page keep your work: it is not kept across reloads. Save it before you leave.");
}

// ---------------------------------------------------------------------------
// Keeping the open work

let openWork: Omit<KeptWork, "changes" | "saved" | "language" | "reference" | "message" | "keptAt"> | null = null;

async function keepOpened(source: OpenSource) {
  openWork = { name: source.name, asImage: source.asImage, options: view.options() };
  // The file first: kept work never pairs a file with another one's changes.
  await storage.keepWork(undefined);
  if (!(await storage.keepWorkFile(source.bytes))) storageFailed();
  await keepWork({ info: editor.document!, changes: [] }, editor.view);
}

async function keepWork(state: DocumentState, shown: { language: number; reference: number; message: number }) {
  if (!openWork) return;
  const work: KeptWork = { ...openWork, changes: state.changes, saved: !state.info.modified, ...shown, keptAt: Date.now() };
  if (!(await storage.keepWork(work))) storageFailed();
}

async function openInEditor(file: OpenedFile) {
  if (!(await editor.askToKeepChanges())) return;
  const bytes = await readBytes(file);
  if (!bytes) return;
  // A text file by its name or its byte order mark; anything else is an image.
  const asImage = !(file.name.toLowerCase().endsWith(".lgp") || (bytes[0] === 0xff && bytes[1] === 0xfe));
  const source: OpenSource = { name: file.name, bytes, asImage, lgpHandle: asImage ? undefined : file.handle,
    image: asImage ? file : undefined };
  view.lock(true);
  try {
    if (await editor.open(source)) await keepOpened(source);
  } finally {
    view.lock(false);
  }
}

/** Opens the kept work again, as it was: the file, its changes, the languages and message shown. */
async function restoreWork(work: KeptWork): Promise<boolean> {
  const bytes = await storage.workFile();
  if (!bytes) return false;
  const source: OpenSource = { name: work.name, bytes, asImage: work.asImage };
  controls.signatures.checked = work.options.saveLangSignatures;
  controls.hex.checked = work.options.hexNumbers;
  openWork = { name: work.name, asImage: work.asImage, options: work.options };
  return editor.open(source, work.changes, work.saved, work);
}

async function offerRestore() {
  const work = await storage.work();
  if (!work) return;
  const changed = work.changes.length;
  const what = work.saved ? "" : ` with ${changed} changed ${changed === 1 ? "text" : "texts"} not saved`;
  const answer = await choose("Restore work", `${work.name} was open${what} when the page was closed. Open it again as it was?`,
    ["Restore", "Discard"]);
  if (answer === 0 && (await restoreWork(work))) return;
  await storage.keepWork(undefined);
  await storage.keepWorkFile(undefined);
}

// ---------------------------------------------------------------------------
// The configuration

async function startCore(): Promise<void> {
  const kept = await storage.config();
  let started: { ok: true; phoneTypes: string[] } | Failure;
  try {
    started = await core.call("init", [kept?.bytes ?? null]);
  } catch (error) {
    notice(`This browser cannot run Tarvo's core: ${error instanceof Error ? error.message : String(error)}`);
    throw error;
  }
  configName = started.ok && kept ? kept.name : null;
  if (!started.ok) {
    // The kept one cannot be read (any more): the built-in one is in use.
    await core.call("init", [null]);
    await showMessage(started.message, started.title);
  }
  showConfig();
}

function showConfig() {
  controls.configInUse.textContent = configName ? `Configuration: ${configName} (yours)` : "Configuration: built-in tarvo.ini";
  controls.configRemove.hidden = !configName;
}

async function chooseConfig() {
  const file = await openFile("ini", "Configuration...");
  if (!file) return;
  const bytes = await readBytes(file);
  if (!bytes) return;
  const loaded = await core.call<{ ok: true } | Failure>("loadConfig", [bytes.slice()]);
  if (!loaded.ok) {
    // The one in use stays.
    await showMessage("Error reading configuration!", "Error");
    return;
  }
  configName = file.name;
  if (!(await storage.keepConfig({ name: file.name, bytes }))) storageFailed();
  showConfig();
}

async function removeConfig() {
  await storage.keepConfig(undefined);
  // The module starts again with its own; the open work comes back from storage.
  await restart();
}

// ---------------------------------------------------------------------------
// A worker that failed is replaced; the work comes back from storage.

async function restart() {
  const work = editor.document ? await storage.work() : undefined;
  core.restart();
  await startCore();
  if (work) await restoreWork(work);
}

async function recover(reason: string) {
  const work = await storage.work();
  await startCore();
  const restored = work ? await restoreWork(work) : false;
  await showMessage(`The page's worker stopped (${reason}) and has been started again.` +
    (restored ? " The open work has been restored from what the page kept." : ""), "Error");
}

// ---------------------------------------------------------------------------

function wire() {
  const guard = (run: () => Promise<unknown>) => async () => {
    try {
      await run();
    } catch (error) {
      if (!(error instanceof WorkerFault)) await showMessage(String(error instanceof Error ? error.message : error), "Error");
    }
  };
  controls.decompile.onclick = guard(() => decompileCommand(core, view));
  controls.compile.onclick = guard(() => compileCommand(core, view));
  controls.edit.onclick = guard(async () => {
    const file = await openFile("editable", "Open LGpack for editing...");
    if (file) await openInEditor(file);
  });
  editor.controls.menu.open.onclick = controls.edit.onclick;
  controls.config.onclick = guard(chooseConfig);
  controls.configRemove.onclick = guard(removeConfig);
  document.addEventListener("keydown", (event) => editor.key(event));
  window.addEventListener("beforeunload", (event) => {
    if (editor.document?.modified) event.preventDefault();
  });
  document.addEventListener("dragover", (event) => event.preventDefault());
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    const file = event.dataTransfer?.files[0];
    if (file) void guard(() => openInEditor({ name: file.name, file }))();
  });
}

wire();
if (!(await storage.usable())) storageFailed();
names.load(await storage.languageNames());
await startCore();
await offerRestore();
document.body.dataset.ready = "true";

// For the page's own tests: a fault of the module, as a trap would give.
Object.assign(globalThis, { tarvoPage: { trap: () => core.call("trap").catch(() => {}) } });
