// Times the WebAssembly module under Node.js on the realistic pack of 10
// languages x 3 000 messages, for the same calls as tarvo_bench's
// BM_CompileImage, BM_DecompileImage and BM_DocumentMeasure (run side by side
// by scripts/wasm-bench.sh): medians of several runs, the module loaded.
// Usage: node --expose-gc wasm_bench.mjs BUILD_WEB INPUTS [RUNS] [--json]
//   (INPUTS: tarvo_bench --write-inputs DIR; --json: one object of milliseconds)
import fs from "node:fs";
import path from "node:path";
import zlib from "node:zlib";

const json = process.argv.includes("--json");
const [web, inputs, runsText] = process.argv.slice(2).filter((arg) => arg != "--json");
const runs = Number(runsText ?? 5);
const figures = {};
const say = (line) => json || console.log(line);
const wasmFile = path.join(web, "core", "tarvo_core.wasm");
const { createTarvoCore } = await import(path.resolve(web, "core", "tarvo-core.mjs"));

// Garbage of the runs before is collected before a run starts (node
// --expose-gc), outside its time: a native run frees its results as it goes,
// and a collection that falls into a run here slowed it by up to half.
const collect = globalThis.gc ?? (() => {});
const median = (times) => times.sort((a, b) => a - b)[Math.floor(times.length / 2)];
function time(name, call) {
  const times = [], cpu = [];
  for (let i = 0; i < runs; ++i) {
    collect();
    const start = performance.now();
    const startCpu = process.cpuUsage();
    const result = call(i);
    const used = process.cpuUsage(startCpu);
    times.push(performance.now() - start);
    cpu.push((used.user + used.system) / 1000);
    if (result && result.ok === false) throw new Error(`${name}: ${result.message ?? result.question?.text}`);
  }
  figures[name] = median(times);
  say(`${name.padEnd(32)} ${median(times).toFixed(1).padStart(9)} ms, CPU ${median(cpu).toFixed(1)} ms`);
}

const wasm = fs.readFileSync(wasmFile);
const loads = [];
for (let i = 0; i < runs; ++i) {
  collect();
  const start = performance.now();
  await createTarvoCore({ wasmBinary: wasm });
  loads.push(performance.now() - start);
}
figures["first load"] = median(loads);
figures[".wasm kB"] = wasm.length / 1024;
figures[".wasm kB, gzip"] = zlib.gzipSync(wasm, { level: 9 }).length / 1024;
say(`${"first load (createTarvoCore)".padEnd(32)} ${median(loads).toFixed(1).padStart(9)} ms`);
say(`${".wasm size".padEnd(32)} ${figures[".wasm kB"].toFixed(0).padStart(9)} kB, ` +
    `${figures[".wasm kB, gzip"].toFixed(0)} kB with gzip`);

const core = await createTarvoCore({ wasmBinary: wasm });
if (!core.loadConfig(fs.readFileSync(path.join(inputs, "tarvo.ini"))).ok) throw new Error("tarvo.ini");
const lgp = fs.readFileSync(path.join(inputs, "realistic.lgp"));
const image = fs.readFileSync(path.join(inputs, "flash.bin"));
const answers = { crop: false, force: false, compact: false };
time("compile, standard", () => core.compile(lgp, "realistic.lgp", image, "flash.bin", answers));
time("compile, compact", () => core.compile(lgp, "realistic.lgp", image, "flash.bin", { ...answers, compact: true }));
const compiled = core.compile(lgp, "realistic.lgp", image, "flash.bin", answers).image;
time("decompile", () => core.decompile(compiled, "flash.bin", { saveLangSignatures: true, hexNumbers: false }));
const { document } = core.openLgp(lgp, "realistic.lgp");
document.measure();
time("document: edit and measure both", (round) => {
  const message = 1000 + (round % 1000);
  document.apply([{ language: 9, message, text: document.text(9, message) + " x" }]);
  const measure = document.measure();
  return { ok: !!measure.standard && !!measure.compact };
});
if (json) console.log(JSON.stringify(figures));
