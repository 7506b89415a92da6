// The JavaScript API of the module as the page uses it: the editor's document
// (edits, undo, filters, the measure), the compile's questions answered by a
// retry, and failures as data. Its figures are held to the native
// tarvo-cli's, which packs as the window does.
// node --test api.mjs, with TARVO_CLI, TARVO_WEB and TARVO_SOURCE in the environment.
import { test } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const { createTarvoCore } = await import(path.join(process.env.TARVO_WEB, "core", "tarvo-core.mjs"));
const examples = path.join(process.env.TARVO_SOURCE, "examples");
const read = (name) => new Uint8Array(fs.readFileSync(path.join(examples, name)));
const utf16 = (text) => new Uint8Array(Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, "utf16le")]));
const demoText = () => Buffer.from(read("demo.lgp")).subarray(2).toString("utf16le");

function nativeCheck(lgp) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-api-"));
  fs.writeFileSync(path.join(dir, "in.lgp"), lgp);
  const result = spawnSync(process.env.TARVO_CLI, ["check", "--json", "in.lgp"], { cwd: dir, encoding: "utf8" });
  fs.rmSync(dir, { recursive: true, force: true });
  return JSON.parse(result.stdout);
}

test("the document edits, undoes, filters and measures as the native core", async () => {
  const core = await createTarvoCore();
  const opened = core.openLgp(read("demo.lgp"), "demo.lgp");
  assert.equal(opened.ok, true);
  const document = opened.document;
  assert.deepEqual(document.info().langIds, [1, 3, 7, 9]);
  const lone = "\ud800 lone <0A> %s";
  assert.deepEqual(document.apply([{ language: 1, message: 2, text: lone }]), { ok: true, revision: 1 });
  assert.equal(document.text(1, 2), lone, "every UTF-16 unit comes back");
  assert.equal(document.texts(1)[2], lone);
  assert.deepEqual([...document.find({ language: 1, reference: 0, filter: "changed", search: "", searchReference: true,
                                       matchCase: false })], [2]);
  assert.ok(document.problems(1, 2, 0).some((p) => p.kind === "above-7fff"));
  assert.equal(document.undo(), 2);
  assert.equal(document.info().changedCount, 0);
  assert.equal(document.redo(), 3);
  const replaced = document.replaceAll(1, "lone", "alone", true);
  assert.equal(replaced.ok && replaced.count, 1);
  assert.equal(document.apply([{ language: 9, message: 0, text: "x" }]).ok, false);

  document.apply([{ language: 1, message: 2, text: "Ustawienia telefonu" }]);
  const measure = document.measure();
  const native = nativeCheck(document.saveBytes());
  assert.equal(measure.standard.length, native.standard.packLength);
  assert.equal(measure.compact.length, native.compact.packLength);
  assert.equal(document.stringCost("standard", 1, "") , 1);
  document.close();
  assert.equal(document.info(), null);
  assert.equal(document.apply([]).ok, false);
});

test("suggestions, the inconsistent filter and one translation for all come from the core", async () => {
  const core = await createTarvoCore();
  // Message 9's reference text is message 0's, translated otherwise; message 5's is like it.
  const text = demoText().replace('String 5, ""', 'String 5, "Messages!"').replace('"Version 1.0"', '"Messages"')
    .replace('"Wersja 1.0"', '"Poczta"');
  const document = core.openLgp(utf16(text), "aids.lgp").document;
  const inconsistent = () => [...document.find({ language: 1, reference: 0, filter: "inconsistent", search: "",
                                                 searchReference: true, matchCase: false })];
  const targets = (message, reference = 0) =>
    document.suggestions(1, reference, message).map((s) => [s.target, s.score, s.origin, s.message]);
  assert.deepEqual(targets(5), [["Wiadomości", 88, "", 0], ["Poczta", 88, "", 9]]);
  assert.deepEqual(document.suggestions(1, 0, 5, 1)[0].difference,
                   [{ kind: "same", text: "Messages" }, { kind: "added", text: "!" }]);
  assert.deepEqual(document.suggestions(1, 1, 5), [], "none against the language itself");
  // Against another reference language the index is made anew, and again on the way back.
  document.apply([{ language: 2, message: 5, text: "Версия 1.0" }]);
  assert.deepEqual(targets(5, 2), [["Poczta", 100, "", 9]]);
  document.undo();
  assert.equal(targets(5).length, 2);

  const memory = utf16(text.replace('"Messages!"', '"Messages?"').replace(/String 5, ""/, 'String 5, "Wiadomość?"'));
  assert.deepEqual(document.addMemory(memory, "old.lgp", 1, 0), { ok: true });
  assert.deepEqual(targets(5)[2], ["Wiadomość?", 88, "old.lgp", 5]);
  const refused = document.addMemory(new Uint8Array([0xff, 0xfe, 0x41, 0]), "bad.lgp", 1, 0);
  assert.equal(refused.ok, false);
  assert.match(refused.message, /bad\.lgp/);
  const other = document.addMemory(utf16(text.replace("PhoneType DEMO-F1", "PhoneType DEMO-B2")), "b2.lgp", 1, 0);
  assert.deepEqual([other.ok, other.message], [false, "b2.lgp is a pack of the phone type DEMO-B2, not DEMO-F1."]);
  document.clearMemories();
  assert.equal(targets(5).length, 2);

  assert.deepEqual(inconsistent(), [0, 9]);
  assert.deepEqual(document.problems(1, 9, 0).filter((p) => p.kind === "inconsistent").map((p) => p.text),
                   ['The same reference text is translated differently in 0 ("Wiadomości").']);
  const used = document.useTranslationForAll(1, 0, 0);
  assert.deepEqual([used.ok, used.count], [true, 1]);
  assert.equal(document.text(1, 9), "Wiadomości");
  assert.deepEqual(inconsistent(), []);
  document.undo();
  assert.deepEqual([document.text(1, 9), inconsistent()], ["Poczta", [0, 9]], "one undo step");
  document.close();
  assert.deepEqual(document.suggestions(1, 0, 5), []);
  assert.equal(document.useTranslationForAll(1, 0, 0).ok, false);
});

test("a compile stopped at a question packs on retry as the native tool with the answer", async () => {
  const core = await createTarvoCore();
  const tight = utf16(demoText().replace(/^(PhoneType DEMO-F1, 1000, )8000,/m, "$1500,"));
  const image = read("demo.bin");
  const asked = core.compile(tight, "tight.lgp", image, "demo.bin", { crop: false, compact: false, force: false });
  assert.equal(asked.ok, false);
  assert.equal(asked.question.kind, "compact");
  const compact = core.compile(tight, "tight.lgp", image, "demo.bin", { crop: false, compact: true, force: false });
  assert.equal(compact.ok && compact.written, "compact");
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-api-"));
  fs.writeFileSync(path.join(dir, "tight.lgp"), tight);
  fs.writeFileSync(path.join(dir, "demo.bin"), image);
  spawnSync(process.env.TARVO_CLI, ["compile", "--compact", "tight.lgp", "demo.bin"], { cwd: dir });
  assert.deepEqual(compact.image, new Uint8Array(fs.readFileSync(path.join(dir, "demo.bin"))));
  fs.rmSync(dir, { recursive: true, force: true });

  const blank = new Uint8Array(image.length);
  const unsigned = core.compile(read("demo.lgp"), "demo.lgp", blank, "blank.bin", { crop: false, compact: false,
                                                                                   force: false });
  assert.equal(unsigned.question.kind, "missingSignature");
  assert.equal(core.compile(read("demo.lgp"), "demo.lgp", blank, "blank.bin", { crop: false, compact: false,
                                                                              force: true }).ok, true);
});

test("failures come back as data and the module keeps working", async () => {
  const core = await createTarvoCore();
  assert.deepEqual(core.decompile(new Uint8Array(64), "x.bin", { saveLangSignatures: true, hexNumbers: false }),
                   { ok: false, message: "Unknow phone's flash!", title: "Error" });
  assert.equal(core.loadConfig(new Uint8Array(0)).ok, false);
  assert.deepEqual(core.phoneTypes(), ["DEMO-F1", "DEMO-B2", "DEMO-L3"]);
  assert.equal(core.openLgp(new Uint8Array([1, 2, 3]), "bad.lgp").ok, false);
  assert.equal(core.merge(read("demo.lgp"), "a", read("demo.bin"), "b", { language: 2 }).ok, false);
  assert.deepEqual(core.textMarks("%d <0A>").map((m) => m.kind), ["conversion", "escape"]);
  const result = core.decompile(read("demo.bin"), "demo.bin", { saveLangSignatures: true, hexNumbers: false });
  assert.equal(result.ok, true);
});
