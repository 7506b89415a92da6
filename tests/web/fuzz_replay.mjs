// The fuzz targets' corpora (the saved regressions and the seeds that
// tarvo_fuzz_seeds makes) through the WebAssembly module under Node.js: no
// input may trap it, and each verdict is the native core's, as
// tarvo_web_verdicts (verdicts.cpp) gives it: every file as tarvo.ini, as a
// flash image and a language file, and as an .lgp text checked, compiled
// into a blank image and opened as a document.
// node --test fuzz_replay.mjs, with TARVO_VERDICTS, TARVO_WEB, TARVO_SOURCE
// and TARVO_FUZZ_SEEDS in the environment.
import { test } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const { createTarvoCore } = await import(path.join(process.env.TARVO_WEB, "core", "tarvo-core.mjs"));

function corpusFiles() {
  const files = [];
  for (const root of [path.join(process.env.TARVO_SOURCE, "tests", "fuzz", "regressions"), process.env.TARVO_FUZZ_SEEDS]) {
    if (!root || !fs.existsSync(root)) continue;
    for (const target of fs.readdirSync(root).sort()) {
      const dir = path.join(root, target);
      if (!fs.statSync(dir).isDirectory()) continue;
      for (const name of fs.readdirSync(dir).sort()) files.push(path.join(dir, name));
    }
  }
  return files;
}

function hash(bytes) {
  let h = 2166136261;
  for (const b of bytes) h = Math.imul(h ^ b, 16777619) >>> 0;
  return h >>> 0;
}
const utf8 = (text) => new TextEncoder().encode(text);

async function moduleVerdicts(files, configText) {
  const core = await createTarvoCore();
  const probe = await createTarvoCore();
  assert.equal(core.loadConfig(configText).ok, true);
  const blank = new Uint8Array(0x10000);
  const lines = [];
  files.forEach((file, i) => {
    const bytes = new Uint8Array(fs.readFileSync(file));
    lines.push(`file ${i + 1}`);
    const config = probe.loadConfig(bytes);
    lines.push(`config ${config.ok ? config.phoneTypes.length : "unusable"}`);
    for (const name of ["fuzz.bin", "fuzz.lng"]) {
      if (bytes.length === 0) {
        lines.push(`decompile ${name} empty`);
        continue;
      }
      const result = core.decompile(bytes, name, { saveLangSignatures: true, hexNumbers: false });
      lines.push(`decompile ${name} ${result.ok ? hash(result.lgp) : `error ${result.message}`}`);
    }
    const check = core.check(bytes, "fuzz.lgp");
    lines.push(`check ${check.ok ? hash(utf8(check.json)) : check.message}`);
    const compiled = core.compile(bytes, "fuzz.lgp", blank, "blank.bin", { crop: true, force: true, compact: false });
    lines.push(compiled.ok ? `compile ${hash(compiled.image)}`
      : compiled.question ? `compile stopped ${compiled.question.text}`
        : compiled.silent ? "compile not read" : `compile failed ${compiled.message}`);
    const opened = core.openLgp(bytes, "fuzz.lgp");
    if (opened.ok) {
      const measure = opened.document.measure();
      lines.push(`document ${measure.standard.length} ${measure.compact.length} ${hash(opened.document.saveBytes())}`);
      opened.document.close();
    } else {
      lines.push(`document error ${opened.message}`);
    }
  });
  return lines;
}

test("the fuzz corpora give the native verdicts through the module, without a trap", async () => {
  const files = corpusFiles();
  assert.ok(files.length > 0, "no corpus found");
  const configFile = path.join(fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-verdicts-")), "tarvo.ini");
  const native = spawnSync(process.env.TARVO_VERDICTS, [configFile, ...files], { encoding: "utf8",
                                                                                  maxBuffer: 1 << 28 });
  assert.equal(native.status, 0, native.stderr);
  const expected = native.stdout.trimEnd().split("\n");
  const actual = await moduleVerdicts(files, fs.readFileSync(configFile));
  fs.rmSync(path.dirname(configFile), { recursive: true, force: true });
  for (let i = 0; i < expected.length; ++i) {
    if (actual[i] !== expected[i]) {
      const file = expected.slice(0, i + 1).filter((line) => line.startsWith("file ")).length;
      assert.equal(actual[i], expected[i], `verdict ${i} of ${files[file - 1]}`);
    }
  }
  assert.equal(actual.length, expected.length);
});
