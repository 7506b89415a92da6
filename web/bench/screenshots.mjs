// Takes the README's pictures of the page (docs/page.png, docs/page-editor.png)
// in Debian's chromium on the built site, with the example files.
//
//   node bench/screenshots.mjs
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { chromium } from "playwright-core";
import { preview } from "vite";

const root = resolve(import.meta.dirname, "../..");
const server = await preview({ root: join(root, "web"), configFile: join(root, "web/vite.config.ts"),
  preview: { port: 0, host: "127.0.0.1" }, logLevel: "silent" });
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync"],
});
const page = await browser.newPage({ viewport: { width: 1100, height: 700 } });
// The browser's own file dialogs, which the script can answer.
await page.addInitScript(() => {
  delete window.showOpenFilePicker;
  delete window.showSaveFilePicker;
});
await page.goto(`http://127.0.0.1:${server.httpServer.address().port}`);
await page.waitForSelector("body[data-ready]");

// The main view after a decompile.
const chooser = page.waitForEvent("filechooser");
const download = page.waitForEvent("download");
await page.click("#DecompileBase");
await (await chooser).setFiles(join(root, "examples/demo.bin"));
await download;
await page.waitForFunction(() => document.querySelector("#StatusPanel").textContent === "Done!");
await page.setViewportSize({ width: 1000, height: 420 });
await page.screenshot({ path: join(root, "docs/page.png") });
await page.setViewportSize({ width: 1100, height: 700 });

// The editor on the example pack, a message with problems selected.
const open = page.waitForEvent("filechooser");
await page.click("#EditBase");
await (await open).setFiles(join(root, "examples/demo.lgp"));
await page.waitForSelector("#row-0 .c2");
await page.click("#row-4");
await page.click("#Translation");
await page.keyboard.press("End");
await page.keyboard.type(" %s");
// Once the edit is in, the gauge measures it again.
await page.waitForFunction(() => document.querySelector("#row-4 .c2").textContent.endsWith(" %s"));
await page.waitForFunction(() => /^Standard/.test(document.querySelector("#Gauge").textContent));
await page.fill("#LanguageName", "Polish");
await page.press("#LanguageName", "Enter");
await page.waitForFunction(() => document.querySelector("#MessageTitle").textContent.includes("3 · Polish"));
// A translation memory with the message's reference text under another number and a like one under its own.
const temp = mkdtempSync(join(tmpdir(), "tarvo-shots-"));
const memory = Buffer.from(readFileSync(join(root, "examples/demo.lgp"))).toString("utf16le")
  .replace('"Line one<0A>Line two"', '"Line one<0A>Line 2"').replace('"Version 1.0"', '"Line one<0A>Line two"')
  .replace('"Linia pierwsza<0A>Linia druga"', '"Wiersz pierwszy<0A>Wiersz 2"')
  .replace('"Wersja 1.0"', '"Pierwsza linia<0A>Druga linia"');
writeFileSync(join(temp, "memory.lgp"), Buffer.from(memory, "utf16le"));
const memoryChooser = page.waitForEvent("filechooser");
await page.click("#AddMemoryAction");
await (await memoryChooser).setFiles(join(temp, "memory.lgp"));
await page.waitForSelector("#Suggestions li:nth-child(2)");
await page.click("#Suggestions li:nth-child(2)");
rmSync(temp, { recursive: true, force: true });
await page.hover("#Gauge");
await page.screenshot({ path: join(root, "docs/page-editor.png") });
await browser.close();
server.httpServer.close();
console.log("Wrote docs/page.png and docs/page-editor.png");
