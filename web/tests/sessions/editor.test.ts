// The translation editor as a person works in it: open, filter, edit, watch
// the gauge, undo, replace, save, carry; a reload, a fault of the worker and
// going offline lose nothing; no request leaves the page.
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import type { Page } from "playwright-core";
import { afterAll, beforeAll, describe, expect, it } from "vitest";
import { clickAndChoose, examples, lgpBytes, lgpText, messageBox, native, nextDownload, openTab, pickFromOpfs, readOpfs,
  startSession, tempDir, type Session } from "./harness";

let session: Session;
const dir = tempDir();
let demo: Buffer;

beforeAll(async () => {
  session = await startSession();
  native("decompile", join(examples, "demo.bin"), join(dir, "demo.lgp"));
  demo = readFileSync(join(dir, "demo.lgp"));
});
afterAll(() => session?.close());

const rowCount = (page: Page) => page.getAttribute("#MessageTable", "aria-rowcount");
const cell = (page: Page, row: number, column: number) => page.textContent(`#row-${row} .c${column}`);
const field = (page: Page) => page.inputValue("#Translation");

async function waitForGauge(page: Page) {
  await expect.poll(() => page.textContent("#Gauge"), { timeout: 10_000 }).toMatch(/^Standard: .* · Compact: .*$/);
}

describe("the editor", () => {
  it("edits, measures, undoes, replaces and saves in place as the native tool would; keeps the work across a reload, a fault and going offline", async () => {
    const { page, context, requests } = await openTab(session, true);
    // The service worker has kept the site: from here on, nothing is fetched.
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForTimeout(200);
    const loaded = requests.length;
    await pickFromOpfs(page, "demo.lgp", demo);
    await page.click("#EditBase");
    await expect.poll(() => rowCount(page)).toBe("11");
    expect(await page.inputValue("#EditLanguage")).toBe("1");
    expect(await cell(page, 1, 2)).toBe("<80>Kontakty");
    await waitForGauge(page);

    // Filters and search are the core's.
    await page.selectOption("#Filter", "changed");
    await expect.poll(() => rowCount(page)).toBe("1");
    await page.selectOption("#Filter", "all");
    await page.fill("#Search", "$4");
    await expect.poll(() => cell(page, 0, 0)).toBe("4");
    await page.fill("#Search", "");
    await expect.poll(() => rowCount(page)).toBe("11");

    // Typing: the gauge measures again, the string's cost follows.
    await page.click("#row-1");
    await expect.poll(() => field(page)).toBe("<80>Kontakty");
    await page.click("#Translation");
    await page.keyboard.press("End");
    await page.keyboard.type("!!");
    await expect.poll(() => cell(page, 1, 2)).toBe("<80>Kontakty!!");
    await waitForGauge(page);
    await expect.poll(() => page.textContent("#Cost")).toMatch(/^This string: \d+ bytes$/);
    expect(await page.textContent("#EditorTitle")).toBe("*demo.lgp - Tarvo editor");

    // Both keystrokes are one undo step.
    await page.keyboard.press("Control+z");
    await expect.poll(() => field(page)).toBe("<80>Kontakty");
    await page.keyboard.press("Control+Shift+z");
    await expect.poll(() => field(page)).toBe("<80>Kontakty!!");

    // Replace all is one step too.
    await page.keyboard.press("Control+h");
    await page.fill("#FindText", "Linia");
    await expect.poll(() => page.textContent("#FindCount")).toBe("2 found");
    await page.fill("#ReplaceText", "Wiersz");
    await page.click("#ReplaceAll");
    await expect.poll(() => page.textContent("#FindCount")).toBe("Replaced 2");
    await expect.poll(() => cell(page, 4, 2)).toBe("<80>Wiersz pierwsza<0A>Wiersz druga");
    await page.keyboard.press("Control+z");
    await expect.poll(() => cell(page, 4, 2)).toBe("<80>Linia pierwsza<0A>Linia druga");
    expect(await cell(page, 1, 2)).toBe("<80>Kontakty!!");
    await page.keyboard.press("Control+Shift+z");
    await page.keyboard.press("Control+g");
    await page.keyboard.type("4");
    await page.keyboard.press("Enter");
    await expect.poll(() => field(page)).toBe("<80>Wiersz pierwsza<0A>Wiersz druga");
    // Its escapes in colour, where the core says they stand.
    expect(await page.locator("#ReferenceView mark.escape").allTextContents()).toEqual(["<80>", "<0A>"]);
    await expect.poll(() => page.textContent("#Counts")).toMatch(/ · 2 changed$/);

    // Save writes in place; only the edited lines differ, and the native tool packs it.
    await page.keyboard.press("Control+s");
    await expect.poll(() => page.textContent("#EditorTitle")).toBe("demo.lgp - Tarvo editor");
    const expected = lgpText(demo).replace('String 1, "<80>Kontakty"', 'String 1, "<80>Kontakty!!"')
      .replace('String 4, "<80>Linia pierwsza<0A>Linia druga"', 'String 4, "<80>Wiersz pierwsza<0A>Wiersz druga"');
    const saved = await readOpfs(page, "demo.lgp");
    expect(lgpText(saved)).toBe(expected);
    writeFileSync(join(dir, "saved.lgp"), saved);
    writeFileSync(join(dir, "saved.bin"), readFileSync(join(examples, "demo.bin")));
    native("compile", join(dir, "saved.lgp"), join(dir, "saved.bin"));
    native("decompile", join(dir, "saved.bin"), join(dir, "again.lgp"));
    expect(lgpText(readFileSync(join(dir, "again.lgp")))).toBe(expected);

    // Compile to flash from the editor: the same pack in the image, after the window's question.
    await pickFromOpfs(page, "demo.bin", readFileSync(join(examples, "demo.bin")));
    await page.keyboard.press("Control+b");
    expect((await messageBox(page, "Yes")).title).toBe("Save LGpack in flash as...");
    await expect.poll(async () => {
      writeFileSync(join(dir, "editor.bin"), await readOpfs(page, "demo.bin"));
      native("decompile", join(dir, "editor.bin"), join(dir, "editor.lgp"));
      return lgpText(readFileSync(join(dir, "editor.lgp")));
    }, { timeout: 15_000 }).toBe(expected);
    expect(await page.textContent("#StatusPanel")).toBe("Done!");

    // An unsaved edit survives a reload.
    await page.click("#row-6");
    await page.click("#Translation");
    await page.keyboard.press("End");
    await page.keyboard.type(" nowe");
    await expect.poll(() => cell(page, 6, 2)).toBe("<80>Menu kawiarni nowe");
    expect(requests.slice(loaded).filter((url) => !url.startsWith(session.origin))).toEqual([]);
    expect(requests.length).toBe(loaded); // not one request while working
    await page.waitForTimeout(300);
    const asked = page.waitForEvent("dialog");
    await page.reload();
    expect((await asked).type()).toBe("beforeunload"); // unsaved changes: the browser asks first
    expect(await messageBox(page, "Restore")).toMatchObject({ title: "Restore work" });
    await page.waitForSelector("body[data-ready]");
    await expect.poll(() => cell(page, 6, 2)).toBe("<80>Menu kawiarni nowe");
    expect(await cell(page, 1, 2)).toBe("<80>Kontakty!!");
    expect(await page.textContent("#EditorTitle")).toBe("*demo.lgp - Tarvo editor");

    // A fault of the module: a new worker, the person told, the work back.
    await page.evaluate(() => (globalThis as unknown as { tarvoPage: { trap(): void } }).tarvoPage.trap());
    expect((await messageBox(page, "OK")).text).toMatch(/started again\. The open work has been restored/);
    await expect.poll(() => cell(page, 6, 2)).toBe("<80>Menu kawiarni nowe");

    // Offline, the page opens from its service worker and works.
    await context.setOffline(true);
    await page.reload();
    await messageBox(page, "Restore");
    await page.waitForSelector("body[data-ready]");
    await expect.poll(() => cell(page, 6, 2)).toBe("<80>Menu kawiarni nowe");
    await waitForGauge(page);
    expect(requests.filter((url) => !url.startsWith(session.origin))).toEqual([]);
    await context.close();
  });

  it("saves as a download and carries translations where the browser cannot write files", async () => {
    const { page, context } = await openTab(session, false);
    await clickAndChoose(page, "#EditBase", join(dir, "demo.lgp"));
    await expect.poll(() => rowCount(page)).toBe("11");
    const old = lgpText(demo).replace('String 2, "<80>Ustawienia"', 'String 2, "<80>Ustawienia telefonu"');
    writeFileSync(join(dir, "old.lgp"), lgpBytes(old));
    await clickAndChoose(page, "#CarryAction", join(dir, "old.lgp"));
    expect((await messageBox(page, "OK")).title).toBe("Carry translations");
    await expect.poll(() => cell(page, 2, 2)).toBe("<80>Ustawienia telefonu");
    const download = nextDownload(page);
    await page.keyboard.press("Control+s");
    const saved = await download;
    expect(saved.name).toBe("demo.lgp");
    expect(lgpText(saved.bytes)).toBe(old);
    await expect.poll(() => page.textContent("#EditorTitle")).toBe("demo.lgp - Tarvo editor");

    // A flash image dropped on the page opens in the editor; Ctrl+B writes the pack into it.
    const image = [...readFileSync(join(examples, "demo.bin"))];
    await page.evaluate((bytes) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(bytes)], "demo.bin"));
      document.body.dispatchEvent(new DragEvent("drop", { dataTransfer: data, bubbles: true, cancelable: true }));
    }, image);
    await expect.poll(() => page.textContent("#EditorTitle")).toBe("demo.bin - Tarvo editor");
    await expect.poll(() => field(page)).toBe("<80>Wiadomo<84>ś<80>ci");
    await page.dblclick("#row-0");
    await page.keyboard.press("End");
    await page.keyboard.type("!");
    await expect.poll(() => cell(page, 0, 2)).toBe("<80>Wiadomo<84>ś<80>ci!");
    const compiled = nextDownload(page);
    await page.keyboard.press("Control+b");
    await messageBox(page, "Write into demo.bin");
    const written = await compiled;
    expect(written.name).toBe("demo.bin");
    writeFileSync(join(dir, "dropped.bin"), written.bytes);
    native("decompile", join(dir, "dropped.bin"), join(dir, "dropped.lgp"));
    expect(lgpText(readFileSync(join(dir, "dropped.lgp")))).toContain('String 0, "<80>Wiadomo<84>ś<80>ci!"');

    // A damaged pack: a dialog names the file, and the open work stays.
    writeFileSync(join(dir, "damaged.bin"), readFileSync(join(examples, "demo.bin")).subarray(0, 5000));
    await clickAndChoose(page, "#OpenAction", join(dir, "damaged.bin"));
    expect((await messageBox(page, "Discard")).title).toBe("Unsaved changes");
    const refused = await messageBox(page, "OK");
    expect(refused.title).toBe("Cannot open");
    expect(refused.text).toContain("damaged.bin");
    expect(await cell(page, 0, 2)).toBe("<80>Wiadomo<84>ś<80>ci!");
    await context.close();
  });

  it("puts in suggestions, mends inconsistent translations and names languages", async () => {
    const { page, context } = await openTab(session, false);
    // Message 9's reference text is message 0's, translated otherwise; message 5's is like it.
    const text = lgpText(readFileSync(join(examples, "demo.lgp"))).replace('String 5, ""', 'String 5, "Messages!"')
      .replace('"Version 1.0"', '"Messages"').replace('"Wersja 1.0"', '"Poczta"');
    writeFileSync(join(dir, "aids.lgp"), lgpBytes(text));
    writeFileSync(join(dir, "memory.lgp"), lgpBytes(text.replace('"Poczta"', '"Skrzynka"')));
    await clickAndChoose(page, "#EditBase", join(dir, "aids.lgp"));
    await expect.poll(() => rowCount(page)).toBe("11");
    const suggestions = () => page.locator("#Suggestions li").allTextContents();

    await page.click("#row-5");
    await expect.poll(suggestions).toEqual(["1  88%Wiadomości  (message 0)", "2  88%Poczta  (message 9)"]);
    expect(await page.textContent("#SuggestionDifference")).toBe("Its reference text against this one: Messages!");
    expect(await page.textContent("#SuggestionDifference ins")).toBe("!");
    await page.click("#Translation");
    await page.keyboard.press("Control+1");
    await expect.poll(() => cell(page, 5, 2)).toBe("Wiadomości");
    expect(await field(page)).toBe("Wiadomości");
    await page.keyboard.press("Control+z");
    await expect.poll(() => field(page)).toBe("");
    await page.dblclick("#Suggestions li >> nth=1");
    await expect.poll(() => field(page)).toBe("Poczta");
    await page.keyboard.press("Control+z");
    await expect.poll(() => field(page)).toBe("");
    await page.keyboard.press("Alt+2");
    await expect.poll(() => field(page)).toBe("Poczta");
    await page.keyboard.press("Control+z");
    await clickAndChoose(page, "#AddMemoryAction", join(dir, "memory.lgp"));
    await expect.poll(suggestions).toContain("3  88%Skrzynka  (memory.lgp, message 9)");

    await page.selectOption("#Filter", "inconsistent");
    await expect.poll(() => rowCount(page)).toBe("3");
    await page.click("#row-0");
    await expect.poll(() => page.textContent("#Problems"))
      .toBe('The same reference text is translated differently in 9 ("Poczta").');
    await page.click("#UseForAll");
    await expect.poll(() => cell(page, 1, 2)).toBe("Wiadomości");
    await expect.poll(() => page.isHidden("#UseForAll")).toBe(true);
    await page.selectOption("#Filter", "all");
    await page.selectOption("#Filter", "inconsistent");
    await expect.poll(() => rowCount(page)).toBe("1");

    await page.fill("#LanguageName", "Polish");
    await page.press("#LanguageName", "Enter");
    await expect.poll(() => page.textContent("#EditLanguage option[value='1']")).toBe("2: 3 · Polish");
    expect(await page.textContent("#MessageTable .c2")).toBe("Translation (3 · Polish)");
    // Kept in the browser: after a reload the name is there again.
    await page.waitForTimeout(300);
    await page.reload();
    await messageBox(page, "Restore");
    await page.waitForSelector("body[data-ready]");
    await expect.poll(() => page.textContent("#EditLanguage option[value='1']")).toBe("2: 3 · Polish");
    await context.close();
  });

  it("says so when the browser refuses to keep the work, and goes on", async () => {
    const context = await session.browser.newContext();
    await context.addInitScript(() => {
      indexedDB.open = () => {
        throw new DOMException("The user denied permission to access the database.", "SecurityError");
      };
    });
    const { page } = await openTab(session, false, context);
    await expect.poll(() => page.textContent("#Notice")).toMatch(/not kept across reloads/);
    await clickAndChoose(page, "#EditBase", join(dir, "demo.lgp"));
    await expect.poll(() => rowCount(page)).toBe("11");
    await context.close();
  });
});
