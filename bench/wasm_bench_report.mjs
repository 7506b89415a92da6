// The table of scripts/wasm-bench.sh: for each call, the native core's and
// the module's medians over the rounds, and their ratio. Each round ran both
// one after the other, so that a slow spell of the machine falls on both.
// Usage: node wasm_bench_report.mjs DIR   (DIR: native-N.json and wasm-N.json of each round N)
import fs from "node:fs";
import path from "node:path";

const calls = [
  ["compile, standard", "BM_CompileImage/compact:0", 1.5],
  ["compile, compact", "BM_CompileImage/compact:1", 1.5],
  ["decompile", "BM_DecompileImage", 1.5],
  ["document: edit and measure both", "BM_DocumentMeasure", 1.5],
];
const [dir] = process.argv.slice(2);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const rounds = fs.readdirSync(dir).filter((name) => /^wasm-\d+\.json$/.test(name)).map((name) => name.slice(5, -5));
const native = rounds.map((round) => {
  const report = JSON.parse(fs.readFileSync(path.join(dir, `native-${round}.json`), "utf8"));
  const times = {};
  for (const b of report.benchmarks) {
    if (b.aggregate_name == "median") times[b.run_name] = b.real_time;  // milliseconds, as the benchmarks say
  }
  return times;
});
const wasm = rounds.map((round) => JSON.parse(fs.readFileSync(path.join(dir, `wasm-${round}.json`), "utf8")));

console.log(`${rounds.length} rounds, each the median of its runs; the medians of the rounds:`);
console.log(`${"call".padEnd(32)} ${"native".padStart(9)} ${"module".padStart(9)}  ratio (rounds)       target`);
for (const [name, benchmark, limit] of calls) {
  const n = median(native.map((times) => times[benchmark]));
  const w = median(wasm.map((figures) => figures[name]));
  const ratios = native.map((times, i) => wasm[i][name] / times[benchmark]);
  const range = `${Math.min(...ratios).toFixed(2)}-${Math.max(...ratios).toFixed(2)}`;
  const verdict = w / n <= limit ? "holds" : "MISSED";
  console.log(`${name.padEnd(32)} ${n.toFixed(1).padStart(6)} ms ${w.toFixed(1).padStart(6)} ms  ` +
              `${(w / n).toFixed(2)}x (${range})`.padEnd(21) + ` ${limit}x: ${verdict}`);
}
const load = median(wasm.map((figures) => figures["first load"]));
const { ".wasm kB": kB, ".wasm kB, gzip": gzip } = wasm[0];
console.log(`${"first load".padEnd(32)} ${"".padStart(9)} ${load.toFixed(1).padStart(6)} ms` +
            `${"".padEnd(24)}300 ms: ${load <= 300 ? "holds" : "MISSED"}`);
console.log(`${".wasm size".padEnd(32)} ${"".padStart(9)} ${kB.toFixed(0).padStart(6)} kB` +
            `${"".padEnd(24)}600 kB: ${kB < 600 ? "holds" : "MISSED"}`);
console.log(`${".wasm size, gzip".padEnd(32)} ${"".padStart(9)} ${gzip.toFixed(0).padStart(6)} kB` +
            `${"".padEnd(24)}250 kB: ${gzip < 250 ? "holds" : "MISSED"}`);
