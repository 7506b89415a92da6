// The JavaScript API of Tarvo's core (tarvo-core.d.ts) over the WebAssembly
// module tarvo_core.mjs/.wasm. Bytes are copied into the module's buffers and
// results copied out at once, since the module's memory may move at its next
// call; texts travel as UTF-16 units, so that every unit comes back as it went
// in. Callbacks that throw are kept from unwinding through the module.
import createTarvoModule from "./tarvo_core.mjs";

const isNode = typeof process == "object" && typeof process.versions == "object" && !!process.versions.node;

/** @param {import("./tarvo-core.d.ts").CreateOptions} [options] */
export async function createTarvoCore(options = {}) {
  const settings = {};
  if (options.locateFile) settings.locateFile = options.locateFile;
  if (options.wasmBinary) {
    settings.wasmBinary = options.wasmBinary;
  } else if (isNode) {
    // The loader of this emscripten fetches the file under Node.js too: it gets the bytes instead.
    const fsName = "node:fs";
    const fs = await import(/* @vite-ignore */ fsName);
    settings.wasmBinary = fs.readFileSync(new URL("./tarvo_core.wasm", import.meta.url));
  }
  const module = await createTarvoModule(settings);
  return new TarvoCore(module, new module.Core());
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

class TarvoCore {
  #module;
  #core;

  constructor(module, core) {
    this.#module = module;
    this.#core = core;
  }

  /** Copies bytes into input slot 0 or 1; false when the module has no memory for them. */
  #put(slot, bytes) {
    const pointer = this.#core.input(slot, bytes.length);
    if (bytes.length > 0 && pointer === 0) return false;
    this.#module.HEAPU8.set(bytes, pointer);
    return true;
  }

  loadConfig(ini) {
    if (!this.#put(0, ini)) return failure("Error reading configuration!");
    return this.#core.loadConfig();
  }

  phoneTypes() {
    return this.#core.phoneTypes();
  }

  textMarks(text) {
    return this.#core.textMarks(String(text));
  }

  decompile(image, fileName, options, callbacks) {
    if (!this.#put(0, image)) return failure(`Not enough memory to decompile "${fileName}".`);
    const result = this.#core.decompile(
      fileName, !!options.saveLangSignatures, !!options.hexNumbers, callbacksOf(callbacks));
    if (result.ok) result.lgp = copy(result.lgp);
    return result;
  }

  /**
   * Beyond the types: `options.imageError`, the reason the image could not be
   * read, said where the pack would need the image; callbacks `message` and
   * `warnings` see each message and the reader's warnings as they come.
   */
  compile(lgp, lgpName, image, imageName, options, callbacks) {
    const outOfMemory = { ...failure(`Not enough memory to compile "${lgpName}".`), silent: false, warnings: [],
                          messages: [] };
    if (!this.#put(0, lgp)) return outOfMemory;
    if (image && !this.#put(1, image)) return outOfMemory;
    const result = this.#core.compile(
      lgpName, !!image, imageName ?? "", options.imageError ?? "", !!options.crop, !!options.compact,
      !!options.force, callbacksOf(callbacks));
    if (result.ok) result.image = copy(result.image);
    return result;
  }

  check(lgp, name, reference = 1) {
    if (!this.#put(0, lgp)) return failure(`Not enough memory to check "${name}".`);
    return this.#core.check(name, reference);
  }

  merge(oldLgp, oldName, newLgp, newName, options) {
    if (!this.#put(0, oldLgp) || !this.#put(1, newLgp)) {
      return failure(`Not enough memory to merge "${oldName}" into "${newName}".`);
    }
    const result = this.#core.merge(oldName, newName, options.language, options.reference ?? 1, !!options.fuzzy);
    if (result.ok) result.lgp = copy(result.lgp);
    return result;
  }

  openLgp(lgp, name) {
    if (!this.#put(0, lgp)) return failure(`Not enough memory to open ${name}.`);
    return this.#opened(this.#core.openLgp(name));
  }

  openImage(image, name, options, callbacks) {
    if (!this.#put(0, image)) return failure(`Not enough memory to open ${name}.`);
    return this.#opened(this.#core.openImage(
      name, !!options.saveLangSignatures, !!options.hexNumbers, callbacksOf(callbacks)));
  }

  #opened(result) {
    if (!result.ok) return result;
    return { ok: true, document: new TarvoDocument(this.#core, (slot, bytes) => this.#put(slot, bytes), result.id) };
  }
}

const closed = () => failure("The document is closed.");

class TarvoDocument {
  #core;
  #put;
  #id;

  constructor(core, put, id) {
    this.#core = core;
    this.#put = put;
    this.#id = id;
  }

  info() {
    return this.#core.info(this.#id);
  }

  texts(language) {
    return cutTexts(this.#core.texts(this.#id, language, false));
  }

  /** Beyond the types: every message's text as the file was opened. */
  originalTexts(language) {
    return cutTexts(this.#core.texts(this.#id, language, true));
  }

  text(language, message) {
    return cutTexts(this.#core.text(this.#id, language, message, false))[0];
  }

  originalText(language, message) {
    return cutTexts(this.#core.text(this.#id, language, message, true))[0];
  }

  isChanged(language, message) {
    return this.#core.isChanged(this.#id, language, message);
  }

  canEdit(language, message) {
    return this.#core.canEdit(this.#id, language, message);
  }

  apply(edits) {
    for (const edit of edits) this.#core.addEdit(edit.language, edit.message, String(edit.text));
    return this.#core.apply(this.#id);
  }

  undo() {
    return this.#core.undo(this.#id);
  }

  redo() {
    return this.#core.redo(this.#id);
  }

  problems(language, message, reference) {
    return this.#core.problems(this.#id, language, message, reference);
  }

  find(query) {
    return new Int32Array(this.#core.find(
      this.#id, query.language, query.reference, query.filter ?? "all", query.search ?? "",
      query.searchReference ?? true, !!query.matchCase));
  }

  countOccurrences(language, find, matchCase) {
    return this.#core.countOccurrences(this.#id, language, String(find), !!matchCase);
  }

  nextNeedingWork(language, reference, after) {
    return this.#core.nextNeedingWork(this.#id, language, reference, after);
  }

  counts(language, reference) {
    return this.#core.counts(this.#id, language, reference);
  }

  replaceAll(language, find, replacement, matchCase, messages) {
    const only = messages !== undefined && messages !== null;
    if (only && !this.#put(0, new Uint8Array(Int32Array.from(messages).buffer))) {
      return failure("Not enough memory for the edit.");
    }
    return this.#core.replaceAll(this.#id, language, String(find), String(replacement), !!matchCase, only);
  }

  measure(packing) {
    return this.#core.measure(this.#id, packing ?? "");
  }

  stringCost(packing, language, text) {
    return this.#core.stringCost(this.#id, packing, language, String(text));
  }

  saveBytes() {
    const result = this.#core.saveBytes(this.#id);
    return result.ok ? copy(result.bytes) : new Uint8Array(0);
  }

  markSaved() {
    this.#core.markSaved(this.#id);
  }

  carryFrom(oldLgp, oldName, language, reference) {
    if (!this.#put(0, oldLgp)) return failure("Not enough memory for the edit.");
    return this.#core.carryFrom(this.#id, oldName, language, reference);
  }

  close() {
    this.#core.close(this.#id);
    this.#id = -1;
  }
}
