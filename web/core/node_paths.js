// Emscripten's loader asks for __dirname under Node.js, which an ES module
// does not have; the .wasm bytes are handed over (wasmBinary), so nothing is
// read through it.
var __dirname = typeof process == "object" && typeof process.versions == "object" && process.versions.node
  ? new URL(".", import.meta.url).pathname : "";
