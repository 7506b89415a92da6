// The JavaScript API of Tarvo's core (tarvo-core.d.ts) over the WebAssembly
// module tarvo_core.mjs/.wasm. Bytes are copied into the module's buffers and
// results copied out at once, since the module's memory may move at its next
// call; texts travel as UTF-16 units, so that every unit comes back as it went
// in. Callbacks that throw are kept from unwinding through the module.
//
// The core answers every failure with data. Should the module itself fail
// (a WebAssembly trap), the call answers with a failure and the next call
// starts a new instance with the same configuration; the documents open in
// the failed one are gone.
import createTarvoModule from "./tarvo_core.mjs";

const isNode = typeof process == "object" && typeof process.versions == "object" && !!process.versions.node;
const wasmName = "tarvo_core.wasm";

// The compiled module, from the bytes given, the file beside this one under
// Node.js (the loader of this emscripten would fetch it), or where it is served.
async function compileWasm(options) {
  if (options.wasmBinary) return WebAssembly.compile(options.wasmBinary);
  if (isNode) {
    const fsName = "node:fs";
    const fs = await import(/* @vite-ignore */ fsName);
    return WebAssembly.compile(fs.readFileSync(new URL("./tarvo_core.wasm", import.meta.url)));
  }
  const url = options.locateFile ? options.locateFile(wasmName, "") : new URL("./tarvo_core.wasm", import.meta.url).href;
  try {
    return await WebAssembly.compileStreaming(fetch(url, { credentials: "same-origin" }));
  } catch {
    // A server that does not say application/wasm.
    const response = await fetch(url, { credentials: "same-origin" });
    if (!response.ok) throw new Error(`Cannot load ${url}: ${response.status}`);
    return WebAssembly.compile(await response.arrayBuffer());
  }
}

// An instance of the module and its Core; `now` instantiates at once (in a
// worker or under Node.js), else asynchronously.
function instantiate(wasm, now) {
  const settings = {
    instantiateWasm(imports, receive) {
      if (now) {
        receive(new WebAssembly.Instance(wasm, imports));
      } else {
        WebAssembly.instantiate(wasm, imports).then(receive);
      }
      return {};
    },
  };
  const ready = createTarvoModule(settings);
  const made = (module) => ({ module, core: new module.Core() });
  // emscripten fills the object it is given; instantiated at once, it is ready.
  return now ? made(settings) : ready.then(made);
}

/** @param {import("./tarvo-core.d.ts").CreateOptions} [options] */
export async function createTarvoCore(options = {}) {
  const wasm = await compileWasm(options);
  return new TarvoCore(wasm, await instantiate(wasm, false));
}

function safe(callback) {
  return (...args) => {
    try {
      callback(...args);
    } catch (error) {
      console.error(error);
    }
  };
}

function callbacksOf(callbacks) {
  const safeCallbacks = {};
  for (const name of ["status", "progress", "message", "warnings"]) {
    if (callbacks && typeof callbacks[name] == "function") safeCallbacks[name] = safe(callbacks[name]);
  }
  return safeCallbacks;
}

/** A copy of a view into the module's memory. */
const copy = (view) => new Uint8Array(view);

// UTF-16 units into strings, exactly (a lone surrogate stays as it is).
function unitsToString(units, from, to) {
  let text = "";
  for (let at = from; at < to; at += 8192) {
    text += String.fromCharCode.apply(null, units.subarray(at, Math.min(at + 8192, to)));
  }
  return text;
}

function cutTexts({ units, lengths }) {
  const texts = new Array(lengths.length);
  let at = 0;
  for (let i = 0; i < lengths.length; ++i) {
    texts[i] = unitsToString(units, at, at + lengths[i]);
    at += lengths[i];
  }
  return texts;
}

const failure = (message) => ({ ok: false, message, title: "Error" });
// What the documents reach of the core that opened them.
const runIn = Symbol("run");
const generationOf = Symbol("generation");
const moduleFailure = (error) => failure(`Internal error: the core failed (${error?.message ?? error}).`);

class TarvoCore {
  #wasm;
  #instance;
  #failed = false;
  #generation = 0; // of the instance; documents of an earlier one are gone
  #config = null; // the configuration loaded last

  constructor(wasm, instance) {
    this.#wasm = wasm;
    this.#instance = instance;
  }

  get #module() {
    return this.#instance.module;
  }

  get #core() {
    return this.#instance.core;
  }

  /**
   * Runs `action` on the instance; a failure of the module itself answers
   * `fallback(error)` and leaves a new instance for the next call.
   */
  [runIn](fallback, action) {
    if (this.#failed) {
      try {
        this.#instance = instantiate(this.#wasm, true);
        ++this.#generation;
        this.#failed = false;
        if (this.#config && this.#put(0, this.#config)) this.#core.loadConfig();
      } catch (error) {
        return fallback(error);
      }
    }
    try {
      return action();
    } catch (error) {
      if (error instanceof WebAssembly.RuntimeError) this.#failed = true;
      return fallback(error);
    }
  }

  get [generationOf]() {
    return this.#generation;
  }

  /** Copies bytes into input slot 0 or 1; false when the module has no memory for them. */
  #put(slot, bytes) {
    const pointer = this.#core.input(slot, bytes.length);
    if (bytes.length > 0 && pointer === 0) return false;
    this.#module.HEAPU8.set(bytes, pointer);
    return true;
  }

  loadConfig(ini) {
    return this[runIn](moduleFailure, () => {
      if (!this.#put(0, ini)) return failure("Error reading configuration!");
      const result = this.#core.loadConfig();
      if (result.ok) this.#config = new Uint8Array(ini);
      return result;
    });
  }

  phoneTypes() {
    return this[runIn](() => [], () => this.#core.phoneTypes());
  }

  decompile(image, fileName, options, callbacks) {
    return this[runIn](moduleFailure, () => {
      if (!this.#put(0, image)) return failure(`Not enough memory to decompile "${fileName}".`);
      const result = this.#core.decompile(
        fileName, !!options.saveLangSignatures, !!options.hexNumbers, callbacksOf(callbacks));
      if (result.ok) result.lgp = copy(result.lgp);
      return result;
    });
  }

  /**
   * Beyond the types: `options.imageError`, the reason the image could not be
   * read, said where the pack would need the image; callbacks `message` and
   * `warnings` see each message and the reader's warnings as they come.
   */
  compile(lgp, lgpName, image, imageName, options, callbacks) {
    const failed = (message) => ({ ...failure(message), silent: false, empty: false, warnings: [], messages: [] });
    return this[runIn]((error) => failed(moduleFailure(error).message), () => {
      const outOfMemory = failed(`Not enough memory to compile "${lgpName}".`);
      if (!this.#put(0, lgp)) return outOfMemory;
      if (image && !this.#put(1, image)) return outOfMemory;
      const result = this.#core.compile(
        lgpName, !!image, imageName ?? "", options.imageError ?? "", !!options.crop, !!options.compact,
        !!options.force, callbacksOf(callbacks));
      if (result.ok) result.image = copy(result.image);
      return result;
    });
  }

  check(lgp, name, reference = 1) {
    return this[runIn](moduleFailure, () => {
      if (!this.#put(0, lgp)) return failure(`Not enough memory to check "${name}".`);
      return this.#core.check(name, reference);
    });
  }

  merge(oldLgp, oldName, newLgp, newName, options) {
    return this[runIn](moduleFailure, () => {
      if (!this.#put(0, oldLgp) || !this.#put(1, newLgp)) {
        return failure(`Not enough memory to merge "${oldName}" into "${newName}".`);
      }
      const result = this.#core.merge(oldName, newName, options.language, options.reference ?? 1, !!options.fuzzy);
      if (result.ok) result.lgp = copy(result.lgp);
      return result;
    });
  }

  /** Beyond the types: where an editor marks the escapes and conversions of a text. */
  textMarks(text) {
    return this[runIn](() => [], () => this.#core.textMarks(String(text)));
  }

  openLgp(lgp, name) {
    return this[runIn](moduleFailure, () => {
      if (!this.#put(0, lgp)) return failure(`Not enough memory to open ${name}.`);
      return this.#opened(this.#core.openLgp(name));
    });
  }

  openImage(image, name, options, callbacks) {
    return this[runIn](moduleFailure, () => {
      if (!this.#put(0, image)) return failure(`Not enough memory to open ${name}.`);
      return this.#opened(this.#core.openImage(
        name, !!options.saveLangSignatures, !!options.hexNumbers, callbacksOf(callbacks)));
    });
  }

  #opened(result) {
    if (!result.ok) return result;
    const native = { core: () => this.#core, put: (slot, bytes) => this.#put(slot, bytes), owner: this };
    return { ok: true, document: new TarvoDocument(native, result.id, this.#generation) };
  }
}

const lost = (message) => failure(message);

class TarvoDocument {
  #native;
  #id;
  #generation;

  constructor(native, id, generation) {
    this.#native = native;
    this.#id = id;
    this.#generation = generation;
  }

  // Runs `action` with the module's Core and this document's number; a
  // document of a failed instance answers `fallback`.
  #run(fallback, action) {
    const owner = this.#native.owner;
    return owner[runIn]((error) => fallback(moduleFailure(error).message), () => {
      if (this.#id < 0) return fallback("The document is closed.");
      if (this.#generation !== owner[generationOf]) {
        return fallback("The document was lost when the core failed; open it again.");
      }
      return action(this.#native.core(), this.#id);
    });
  }

  info() {
    return this.#run(() => null, (core, id) => core.info(id));
  }

  texts(language) {
    return this.#run(() => [], (core, id) => cutTexts(core.texts(id, language, false)));
  }

  /** Beyond the types: every message's text as the file was opened. */
  originalTexts(language) {
    return this.#run(() => [], (core, id) => cutTexts(core.texts(id, language, true)));
  }

  text(language, message) {
    return this.#run(() => "", (core, id) => cutTexts(core.text(id, language, message, false))[0]);
  }

  originalText(language, message) {
    return this.#run(() => "", (core, id) => cutTexts(core.text(id, language, message, true))[0]);
  }

  isChanged(language, message) {
    return this.#run(() => false, (core, id) => core.isChanged(id, language, message));
  }

  canEdit(language, message) {
    return this.#run(() => false, (core, id) => core.canEdit(id, language, message));
  }

  apply(edits) {
    return this.#run(lost, (core, id) => {
      for (const edit of edits) core.addEdit(edit.language, edit.message, String(edit.text));
      return core.apply(id);
    });
  }

  undo() {
    return this.#run(() => -1, (core, id) => core.undo(id));
  }

  redo() {
    return this.#run(() => -1, (core, id) => core.redo(id));
  }

  problems(language, message, reference) {
    return this.#run(() => [], (core, id) => core.problems(id, language, message, reference));
  }

  find(query) {
    return this.#run(() => new Int32Array(0), (core, id) => new Int32Array(core.find(
      id, query.language, query.reference, query.filter ?? "all", query.search ?? "",
      query.searchReference ?? true, !!query.matchCase)));
  }

  countOccurrences(language, find, matchCase) {
    return this.#run(() => 0, (core, id) => core.countOccurrences(id, language, String(find), !!matchCase));
  }

  nextNeedingWork(language, reference, after) {
    return this.#run(() => -1, (core, id) => core.nextNeedingWork(id, language, reference, after));
  }

  counts(language, reference) {
    return this.#run(() => ({ withReference: 0, translated: 0, withProblems: 0, changed: 0 }),
                     (core, id) => core.counts(id, language, reference));
  }

  replaceAll(language, find, replacement, matchCase, messages) {
    return this.#run(lost, (core, id) => {
      const only = messages !== undefined && messages !== null;
      if (only && !this.#native.put(0, new Uint8Array(Int32Array.from(messages).buffer))) {
        return failure("Not enough memory for the edit.");
      }
      return core.replaceAll(id, language, String(find), String(replacement), !!matchCase, only);
    });
  }

  measure(packing) {
    return this.#run(() => ({ revision: -1, unencodable: 0 }), (core, id) => core.measure(id, packing ?? ""));
  }

  stringCost(packing, language, text) {
    return this.#run(() => null, (core, id) => core.stringCost(id, packing, language, String(text)));
  }

  saveBytes() {
    return this.#run(() => new Uint8Array(0), (core, id) => {
      const result = core.saveBytes(id);
      return result.ok ? copy(result.bytes) : new Uint8Array(0);
    });
  }

  markSaved() {
    this.#run(() => undefined, (core, id) => core.markSaved(id));
  }

  carryFrom(oldLgp, oldName, language, reference) {
    return this.#run(lost, (core, id) => {
      if (!this.#native.put(0, oldLgp)) return failure("Not enough memory for the edit.");
      return core.carryFrom(id, oldName, language, reference);
    });
  }

  suggestions(language, reference, message, limit = 5) {
    return this.#run(() => [], (core, id) => core.suggestions(id, language, reference, message, limit));
  }

  addMemory(lgp, name, language, reference) {
    return this.#run(lost, (core, id) => {
      if (!this.#native.put(0, lgp)) return failure(`Not enough memory to read ${name}.`);
      return core.addMemory(id, String(name), language, reference);
    });
  }

  clearMemories() {
    this.#run(() => undefined, (core, id) => core.clearMemories(id));
  }

  useTranslationForAll(language, reference, message) {
    return this.#run(lost, (core, id) => core.useTranslationForAll(id, language, reference, message));
  }

  close() {
    this.#run(() => undefined, (core, id) => core.close(id));
    this.#id = -1;
  }
}
