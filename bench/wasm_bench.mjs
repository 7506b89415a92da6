// Times the WebAssembly module under Node.js on the realistic pack of 10
// languages x 3 000 messages, beside the native core (`tarvo_bench --paired`)
// for the same calls: compile, decompile, and the document's edit and measure.
//
// Each run of the module is paired with a native run right before or after it
// (turn about), and the ratio of a call is the median of its pairs' ratios.
// This machine has spells, some tenths of a second long, in which both run
// about half again as slow; runs in separate rounds fell into them apart.
//
// Usage: node --expose-gc wasm_bench.mjs BUILD_WEB TARVO_BENCH [RUNS]
//   (BUILD_WEB: the module's build; TARVO_BENCH: the native benchmark program)
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import readline from "node:readline";
import zlib from "node:zlib";

const [web, tarvoBench, runsText] = process.argv.slice(2);
const runs = Number(runsText ?? 21);
const limit = 1.5;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.round(q * (values.length - 1))];
// Garbage of the runs before is collected before a run starts (node
// --expose-gc), outside its time: a native run frees its results as it goes.
const collect = globalThis.gc ?? (() => {});

const inputs = fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-wasm-bench-"));
process.on("exit", () => fs.rmSync(inputs, { recursive: true, force: true }));
await new Promise((done, fail) =>
  spawn(tarvoBench, ["--write-inputs", inputs], { stdio: "ignore" }).on("exit", (code) =>
    code === 0 ? done() : fail(new Error(`${tarvoBench} --write-inputs: exit ${code}`))));

// The native side: one call per line asked, its milliseconds answered.
const native = spawn(tarvoBench, ["--paired", inputs], { stdio: ["pipe", "pipe", "inherit"] });
const answers = readline.createInterface({ input: native.stdout })[Symbol.asyncIterator]();
async function runNative(call) {
  native.stdin.write(`${call}\n`);
  const { value, done } = await answers.next();
  if (done) throw new Error(`tarvo_bench --paired stopped at "${call}"`);
  return Number(value);
}

function runModule(call) {
  collect();
  const start = performance.now();
  const result = call();
  const time = performance.now() - start;
  if (result && result.ok === false) throw new Error(result.message ?? result.question?.text);
  return time;
}

const wasmFile = path.join(web, "core", "tarvo_core.wasm");
const { createTarvoCore } = await import(path.resolve(web, "core", "tarvo-core.mjs"));
const wasm = fs.readFileSync(wasmFile);
const loads = [];
for (let i = 0; i < 5; ++i) {
  collect();
  const start = performance.now();
  await createTarvoCore({ wasmBinary: wasm });
  loads.push(performance.now() - start);
}

const core = await createTarvoCore({ wasmBinary: wasm });
if (!core.loadConfig(fs.readFileSync(path.join(inputs, "tarvo.ini"))).ok) throw new Error("tarvo.ini");
const lgp = fs.readFileSync(path.join(inputs, "realistic.lgp"));
const image = fs.readFileSync(path.join(inputs, "flash.bin"));
const options = { crop: false, force: false, compact: false };
const compiled = core.compile(lgp, "realistic.lgp", image, "flash.bin", options).image;
const { document } = core.openLgp(lgp, "realistic.lgp");
document.measure();
let round = 0;
const calls = [
  ["compile, standard", "compile standard", () => core.compile(lgp, "realistic.lgp", image, "flash.bin", options)],
  ["compile, compact", "compile compact",
   () => core.compile(lgp, "realistic.lgp", image, "flash.bin", { ...options, compact: true })],
  ["decompile", "decompile",
   () => core.decompile(compiled, "flash.bin", { saveLangSignatures: true, hexNumbers: false })],
  ["document: edit and measure both", "measure", () => {
    // A word added to a message of the last language, as the native run does.
    const message = 1000 + (round++ % 1000);
    document.apply([{ language: 9, message, text: document.text(9, message) + " x" }]);
    const measure = document.measure();
    return { ok: !!measure.standard && !!measure.compact };
  }],
];

console.log(`${runs} pairs of runs each, the module's and the native one's in turn; medians:`);
console.log(`${"call".padEnd(32)} ${"native".padStart(9)} ${"module".padStart(9)}  ratio (middle half)   target`);
for (const [name, nativeCall, call] of calls) {
  // One of each first, outside the figures: the native side makes what the call needs.
  await runNative(nativeCall);
  runModule(call);
  const pairs = [];
  for (let i = 0; i < runs; ++i) {
    const pair = {};
    if (i % 2 == 0) pair.native = await runNative(nativeCall);
    pair.module = runModule(call);
    if (i % 2 == 1) pair.native = await runNative(nativeCall);
    pairs.push(pair);
  }
  const n = median(pairs.map((pair) => pair.native));
  const w = median(pairs.map((pair) => pair.module));
  const ratios = pairs.map((pair) => pair.module / pair.native);
  const ratio = median(ratios);
  const spread = `${quantile(ratios, 0.25).toFixed(2)}-${quantile(ratios, 0.75).toFixed(2)}`;
  console.log(`${name.padEnd(32)} ${n.toFixed(1).padStart(6)} ms ${w.toFixed(1).padStart(6)} ms  ` +
              `${ratio.toFixed(2)}x (${spread})`.padEnd(21) + ` ${limit}x: ${ratio <= limit ? "holds" : "MISSED"}`);
}
native.stdin.end();

const load = median(loads);
const kB = wasm.length / 1024;
const gzip = zlib.gzipSync(wasm, { level: 9 }).length / 1024;
const row = (name, figure, target, holds) =>
  console.log(`${name.padEnd(32)} ${"".padStart(9)} ${figure.padStart(9)}${"".padEnd(24)}${target}: ` +
              (holds ? "holds" : "MISSED"));
row("first load", `${load.toFixed(1)} ms`, "300 ms", load <= 300);
row(".wasm size", `${kB.toFixed(0)} kB`, "600 kB", kB < 600);
row(".wasm size, gzip", `${gzip.toFixed(0)} kB`, "250 kB", gzip < 250);
