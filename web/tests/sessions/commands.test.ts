// Decompile and compile as a person runs them, with and without the File
// System Access API, compared with what the native tool makes of the same files.
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { afterAll, beforeAll, describe, expect, it } from "vitest";
import { clickAndChoose, examples, lgpBytes, lgpText, messageBox, native, nextDownload, openTab, pickFromOpfs, readOpfs,
  root, startSession, statusText, tempDir, type Session } from "./harness";

let session: Session;
const dir = tempDir();
const demoBin = join(examples, "demo.bin");
let nativeLgp: Buffer;

beforeAll(async () => {
  session = await startSession();
  native("decompile", demoBin, join(dir, "native.lgp"));
  nativeLgp = readFileSync(join(dir, "native.lgp"));
});
afterAll(() => session?.close());

/** The native tool's decompile of an image, as text. */
function decompiledNatively(image: Buffer, options: string[] = []) {
  const bin = join(dir, `check-${Math.random().toString(36).slice(2)}.bin`);
  writeFileSync(bin, image);
  native("decompile", ...options, bin, `${bin}.lgp`);
  return lgpText(readFileSync(`${bin}.lgp`));
}

// A pack that fits the DEMO-F1 image only when packed compactly, found with the native check.
function compactOnlyPack(): Buffer {
  const words = "menu call back settings contacts message battery low save version phone number network signal alarm clock timer calendar note games music radio camera gallery profile silent outdoor meeting general".split(" ");
  let seed = 7;
  const random = (n: number) => ((seed = (seed * 1103515245 + 12345) % 2147483648), seed % n);
  for (let count = 1700; count <= 2600; count += 100) {
    const lines = [";", "PhoneType DEMO-F1, 1000, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0, 10, 54, 11, 56, 12, 44",
      "AllLangs 1", `MaxMsgId ${count - 1}`, "LgPackId DEMO 1.0", "LangId 1"];
    for (let i = 0; i < count; i++) {
      lines.push(`String ${i}, "${Array.from({ length: 3 + random(7) }, () => words[random(words.length)]).join(" ")}"`);
    }
    const bytes = lgpBytes(lines.join("\r\n") + "\r\n");
    writeFileSync(join(dir, "compact.lgp"), bytes);
    let report = "";
    try {
      report = native("check", join(dir, "compact.lgp")).toString();
    } catch (error) {
      report = String((error as { stdout?: Buffer }).stdout ?? "");
    }
    if (report.includes("fits only with --compact")) return bytes;
  }
  throw new Error("No pack of the generated texts fits only compactly.");
}

describe("with the File System Access API", () => {
  it("decompiles into the chosen file and compiles back into the image in place", async () => {
    const { page } = await openTab(session, true);
    await pickFromOpfs(page, "demo.bin", readFileSync(demoBin));
    await pickFromOpfs(page, "demo.lgp");
    await page.click("#DecompileBase");
    await expect.poll(() => statusText(page)).toBe("Done!");
    await expect.poll(() => page.isEnabled("#DecompileBase")).toBe(true);
    expect(await readOpfs(page, "demo.lgp")).toEqual(nativeLgp);

    // An edited pack into the same image, after the window's confirmation.
    const edited = lgpText(nativeLgp).replace('String 1, "<80>Contacts"', 'String 1, "<80>Kontakte"');
    await pickFromOpfs(page, "edited.lgp", lgpBytes(edited));
    await pickFromOpfs(page, "demo.bin");
    await page.click("#CompileBase");
    expect(await messageBox(page, "Yes")).toEqual({ title: "Save LGpack in flash as...", text: "demo.bin already exists.\nDo you want to replace it?" });
    // The image is replaced whole when the page has written it: the old one until then.
    await expect.poll(async () => decompiledNatively(await readOpfs(page, "demo.bin")), { timeout: 15_000 }).toBe(edited);
    expect(await statusText(page)).toBe("Done!");
    expect((await readOpfs(page, "demo.bin")).length).toBe(readFileSync(demoBin).length);
    await page.context().close();
  });
});

describe("without it (downloads)", () => {
  it("decompiles to a download, refuses a damaged image, and asks the crop and compact questions", async () => {
    const { page } = await openTab(session, false);
    const decompiled = nextDownload(page);
    await clickAndChoose(page, "#DecompileBase", demoBin);
    expect(await decompiled).toEqual({ name: "demo.lgp", bytes: nativeLgp });
    expect(await statusText(page)).toBe("Done!");

    // A file of another kind: refused with the window's message, and the page goes on.
    writeFileSync(join(dir, "notes.bin"), Buffer.alloc(40000, 0x41));
    await clickAndChoose(page, "#DecompileBase", join(dir, "notes.bin"));
    expect(await messageBox(page, "OK")).toEqual({ title: "Error", text: "Unknow phone's flash!" });
    await expect.poll(() => page.isEnabled("#DecompileBase")).toBe(true);

    // A string over 254 codes (text no dictionary shortens): Cancel stops, nothing is offered; OK crops it.
    let seed = 3;
    const letter = () => "abcdefghijklmnopqrstuvwxyz ,."[((seed = (seed * 1103515245 + 12345) % 2147483648) >> 8) % 29];
    const noise = Array.from({ length: 800 }, letter).join("");
    const long = lgpText(nativeLgp).replace('String 2, "<80>Settings"', `String 2, "${noise}"`);
    writeFileSync(join(dir, "long.lgp"), lgpBytes(long));
    const compileLong = async (answer: string) => {
      await clickAndChoose(page, "#CompileBase", join(dir, "long.lgp"), demoBin);
      const question = await messageBox(page, answer);
      expect(question.title).toBe("String to long");
    };
    let downloads = 0;
    page.on("download", () => downloads++);
    await compileLong("Cancel");
    await expect.poll(() => statusText(page)).toBe("Stopped!");
    expect(downloads).toBe(0);
    const cropped = nextDownload(page);
    await compileLong("OK");
    const image = await cropped;
    expect(image.name).toBe("demo.bin");
    expect(decompiledNatively(image.bytes)).toContain(`String 2, "<80>${noise.slice(0, 100)}`);

    // A pack over the limit that fits compactly: the compact question, then the compact pack.
    writeFileSync(join(dir, "compact.lgp"), compactOnlyPack());
    const compacted = nextDownload(page);
    await clickAndChoose(page, "#CompileBase", join(dir, "compact.lgp"), demoBin);
    expect((await messageBox(page, "OK")).title).toBe("Compact packing");
    const packed = await compacted;
    const strings = (text: string) => text.split("\r\n").filter((line) => line.startsWith("String "));
    expect(strings(decompiledNatively(packed.bytes, ["--no-signatures"]))).toEqual(strings(lgpText(readFileSync(join(dir, "compact.lgp")))));
    await page.context().close();
  });

  it("keeps a configuration of one's own, refuses one it cannot read, and removes it", async () => {
    const { page, context } = await openTab(session, false);
    await expect.poll(() => page.textContent("#ConfigInUse")).toBe("Configuration: built-in tarvo.ini");
    writeFileSync(join(dir, "broken.ini"), "nothing a configuration holds\n");
    await clickAndChoose(page, "#ConfigBase", join(dir, "broken.ini"));
    expect(await messageBox(page, "OK")).toEqual({ title: "Error", text: "Error reading configuration!" });
    expect(await page.textContent("#ConfigInUse")).toBe("Configuration: built-in tarvo.ini");

    await clickAndChoose(page, "#ConfigBase", join(root, "config/tarvo.ini"));
    await expect.poll(() => page.textContent("#ConfigInUse")).toBe("Configuration: tarvo.ini (yours)");
    await page.reload();
    await page.waitForSelector("body[data-ready]");
    expect(await page.textContent("#ConfigInUse")).toBe("Configuration: tarvo.ini (yours)");
    await page.click("#ConfigRemove");
    await expect.poll(() => page.textContent("#ConfigInUse")).toBe("Configuration: built-in tarvo.ini");
    await context.close();
  });
});
