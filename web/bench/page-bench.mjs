// The page's benchmark on the realistic pack of 10 languages x 3 000 messages
// (the native benchmark's input), in Debian's chromium on the built site.
// Prints the median of several runs of each figure. Not a test.
//
//   node bench/page-bench.mjs [--inputs DIR] [--runs N]
import { execFileSync } from "node:child_process";
import { mkdtempSync, readdirSync, readFileSync, statSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { gzipSync } from "node:zlib";
import { chromium } from "playwright-core";
import { preview } from "vite";

const root = resolve(import.meta.dirname, "../..");
const arg = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? process.argv[at + 1] : fallback;
};
const runs = Number(arg("--runs", "5"));
let inputs = arg("--inputs");
if (!inputs) {
  inputs = mkdtempSync(join(tmpdir(), "tarvo-page-bench-"));
  execFileSync(join(root, "build/release/bin/tarvo_bench"), ["--write-inputs", inputs], { stdio: "inherit" });
}
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

function siteTransfer(dir) {
  let total = 0;
  for (const name of readdirSync(dir, { recursive: true })) {
    const path = join(dir, name);
    if (statSync(path).isFile()) total += gzipSync(readFileSync(path), { level: 9 }).length;
  }
  return total;
}

const server = await preview({ root: join(root, "web"), configFile: join(root, "web/vite.config.ts"),
  preview: { port: 0, host: "127.0.0.1" }, logLevel: "silent" });
const origin = `http://127.0.0.1:${server.httpServer.address().port}`;
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync"],
});

// The pickers answer with the files of the private file system, as in the tests.
const pickers = () => {
  const next = [];
  const handle = async (name) => (await navigator.storage.getDirectory()).getFileHandle(name, { create: true });
  Object.assign(window, { testPicks: next, showOpenFilePicker: async () => [await handle(next.shift())],
    showSaveFilePicker: async (o) => handle(next.shift() ?? o.suggestedName) });
};
async function put(page, name, bytes) {
  await page.evaluate(async ({ name, data }) => {
    const dir = await navigator.storage.getDirectory();
    const writable = await (await dir.getFileHandle(name, { create: true })).createWritable();
    await writable.write(Uint8Array.from(atob(data), (c) => c.charCodeAt(0)));
    await writable.close();
  }, { name, data: Buffer.from(bytes).toString("base64") });
}
const pick = (page, name) => page.evaluate((name) => window.testPicks.push(name), name);

const figures = { open: [], filter: [], search: [], cost: [], costMeasuring: [], longTask: [], standard: [], compact: [] };
const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
await context.addInitScript(pickers);
const page = await context.newPage();
page.on("dialog", (d) => d.accept());
await page.goto(origin);
await page.waitForSelector("body[data-ready]");
await put(page, "tarvo.ini", readFileSync(join(inputs, "tarvo.ini")));
await put(page, "realistic.lgp", readFileSync(join(inputs, "realistic.lgp")));
await pick(page, "tarvo.ini");
await page.click("#ConfigBase");
await page.waitForFunction(() => document.querySelector("#ConfigInUse").textContent.includes("yours"));

for (let run = 0; run < runs; run++) {
  await page.reload();
  const restore = page.locator("dialog.message-box[open] button", { hasText: "Discard" });
  await page.waitForSelector("body[data-ready]", { timeout: 5000 }).catch(() => {});
  if (await restore.count()) await restore.click();
  await page.waitForSelector("body[data-ready]");
  await pick(page, "realistic.lgp");
  // Opening: from the click to the first rows drawn with their texts.
  figures.open.push(await page.evaluate(async () => {
    const started = performance.now();
    document.querySelector("#EditBase").click();
    await new Promise((done) => {
      const check = () => (document.querySelector("#row-0 .c2")?.textContent ? done() : requestAnimationFrame(check));
      check();
    });
    return performance.now() - started;
  }));
  await page.waitForFunction(() => /^Standard/.test(document.querySelector("#Gauge").textContent), null, { timeout: 30000 });

  // A filter and a search: from the change to the new rows drawn.
  const timeRows = (change) => page.evaluate(async (change) => {
    const table = document.querySelector("#MessageTable");
    const before = table.getAttribute("aria-rowcount");
    const started = performance.now();
    if (change === "filter") {
      const filter = document.querySelector("#Filter");
      filter.value = filter.value === "all" ? "withProblems" : "all";
      filter.dispatchEvent(new Event("change"));
    } else {
      const search = document.querySelector("#Search");
      search.value = search.value ? "" : "the";
      search.dispatchEvent(new Event("input"));
    }
    await new Promise((done) => {
      const check = () => (table.getAttribute("aria-rowcount") !== before ? done() : setTimeout(check, 1));
      check();
    });
    return performance.now() - started;
  }, change);
  for (let i = 0; i < 2; i++) figures.filter.push(await timeRows("filter"));
  for (let i = 0; i < 2; i++) figures.search.push(await timeRows("search"));

  // Typing: each keystroke's cost shown, long tasks of the page's thread while typing and measuring.
  await page.click("#row-3");
  const typed = await page.evaluate(async () => {
    const longest = [];
    const observer = new PerformanceObserver((list) => list.getEntries().forEach((e) => longest.push(e.duration)));
    observer.observe({ type: "longtask" });
    const field = document.querySelector("#Translation");
    const cost = document.querySelector("#Cost");
    const latencies = [];
    for (let i = 0; i < 20; i++) {
      const started = performance.now();
      const shown = new Promise((done) => new MutationObserver((_, o) => (o.disconnect(), done()))
        .observe(cost, { childList: true, characterData: true, subtree: true }));
      field.focus();
      field.setRangeText("x", field.value.length, field.value.length, "end");
      field.dispatchEvent(new InputEvent("input", { inputType: "insertText", data: "x" }));
      await shown;
      latencies.push(performance.now() - started);
      await new Promise((done) => setTimeout(done, 120));
    }
    // One keystroke more once the measure has begun: its cost waits for the measure.
    await new Promise((done) => setTimeout(done, 420));
    const started = performance.now();
    const shown = new Promise((done) => new MutationObserver((_, o) => (o.disconnect(), done()))
      .observe(cost, { childList: true, characterData: true, subtree: true }));
    field.setRangeText("y", field.value.length, field.value.length, "end");
    field.dispatchEvent(new InputEvent("input", { inputType: "insertText", data: "y" }));
    await shown;
    const duringMeasure = performance.now() - started;
    await new Promise((done) => {
      const check = () => (/^Standard/.test(document.querySelector("#Gauge").textContent) ? done() : setTimeout(check, 20));
      setTimeout(check, 400);
    });
    observer.disconnect();
    return { latencies, duringMeasure, longest: Math.max(0, ...longest) };
  });
  figures.cost.push(median(typed.latencies));
  figures.costMeasuring.push(typed.duringMeasure);
  figures.longTask.push(typed.longest);
  const gauge = await page.evaluate(() => ({ ...document.querySelector("#Gauge").dataset }));
  figures.standard.push(Number(gauge.standardMs));
  figures.compact.push(Number(gauge.compactMs));
}

const line = (label, values, target) => console.log(`${label.padEnd(42)} ${median(values).toFixed(1).padStart(8)} ms   (target ${target}; runs: ${values.map((v) => v.toFixed(0)).join(", ")})`);
console.log(`\nRealistic pack, 10 languages x 3 000 messages, ${runs} runs (medians)`);
line("Opening the pack into the editor", figures.open, "< 1500 ms");
line("A filter", figures.filter, "< 100 ms");
line("A search", figures.search, "< 100 ms");
line("The string's cost after a keystroke", figures.cost, "< 50 ms");
line("The cost of a keystroke during a measure", figures.costMeasuring, "none");
line("Longest task of the page's thread", figures.longTask, "< 50 ms");
line("Measure, standard packing", figures.standard, "< 800 ms");
line("Measure, compact packing", figures.compact, "< 1500 ms");
console.log(`${"Site transfer (all files, gzip)".padEnd(42)} ${(siteTransfer(join(root, "build/web/site")) / 1024).toFixed(0).padStart(8)} KiB  (target < 1 MB)`);
await browser.close();
server.httpServer.close();
