// The Node.js tarvo-cli against the native one, as one table: each case runs
// the same command lines through both, each in a folder of its own holding
// the same files, and wants the same standard output, standard error, exit
// status and files, byte for byte.
// node --test equivalence.mjs, with TARVO_CLI (the native program), TARVO_WEB
// (build/web), TARVO_SOURCE (the source tree) and TARVO_BENCH_INPUTS (what
// tarvo_bench --write-inputs wrote) in the environment.
import { test } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const native = [process.env.TARVO_CLI];
const web = [process.execPath, path.join(process.env.TARVO_WEB, "tarvo-cli.mjs")];
const examples = path.join(process.env.TARVO_SOURCE, "examples");
const benchInputs = process.env.TARVO_BENCH_INPUTS;

const utf16 = (text) => Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, "utf16le")]);
const lgpText = (file) => fs.readFileSync(file).subarray(2).toString("utf16le");
const demoLgp = () => lgpText(path.join(examples, "demo.lgp"));

// Files made for the refusals and questions, beside the examples.
const made = {
  "empty.bin": () => Buffer.alloc(0),
  "empty.lgp": () => Buffer.alloc(0),
  "blank.bin": () => Buffer.alloc(36864),
  "nobom.lgp": () => Buffer.from("PhoneType x\r\n"),
  "long.lgp": () => utf16(demoLgp().replace(/String 1, "[^"]*"/, `String 1, "${"Ab1%".repeat(90)}"`)),
  // Over the limit with the standard packing, within it with the compact one.
  "tight.lgp": () => utf16(demoLgp().replace(/^(PhoneType DEMO-F1, 1000, )8000,/m, "$1500,")),
  "warned.lgp": () => utf16(demoLgp().replace("MaxMsgId 9", "MaxMsgId 9\r\nMaxMsgID2 4\r\nString 3, \"unclosed")),
  "wide.lgp": () => utf16(demoLgp().replace(/String 2, "[^"]*"/, 'String 2, "\u{1F600}"')),
  "tarvo-empty.ini": () => Buffer.alloc(0),
};

function folderWith(files) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-eq-"));
  for (const name of fs.readdirSync(examples)) {
    if (/\.(bin|lng|lgp)$/.test(name)) fs.copyFileSync(path.join(examples, name), path.join(dir, name));
  }
  for (const [name, make] of Object.entries(made)) fs.writeFileSync(path.join(dir, name), make());
  for (const file of files) fs.copyFileSync(file, path.join(dir, path.basename(file)));
  return dir;
}

function contents(dir) {
  const files = {};
  for (const name of fs.readdirSync(dir).sort()) {
    const stat = fs.statSync(path.join(dir, name));
    files[name] = { mode: stat.mode, bytes: fs.readFileSync(path.join(dir, name)).toString("base64") };
  }
  return files;
}

function run(program, dir, args) {
  const result = spawnSync(program[0], [...program.slice(1), ...args], { cwd: dir, encoding: "latin1" });
  return { status: result.status, stdout: result.stdout, stderr: result.stderr };
}

// Each case: a name and the command lines run one after the other.
const exampleCases = [
  ["decompile a flash image", ["decompile", "demo.bin", "out.lgp"]],
  ["decompile with the other options", ["decompile", "--no-signatures", "--hex-numbers", "demo.bin", "out.lgp"]],
  ["decompile a language file", ["decompile", "demo.lng", "out.lgp"], ["decompile", "--hex-numbers=yes", "--no-signatures", "demo.lng", "o2.lgp"]],
  ["compile into the image", ["compile", "demo.lgp", "demo.bin"], ["decompile", "demo.bin", "back.lgp"]],
  ["compile compact into the image", ["compile", "--compact", "demo.lgp", "demo.bin"]],
  ["compile a language file anew", ["compile", "demo-language-file.lgp", "demo.lng"], ["compile", "--compact", "demo-language-file.lgp", "new.lng"]],
  ["check", ["check", "demo.lgp"], ["check", "--json", "--reference", "2", "demo.lgp"], ["check", "long.lgp"], ["check", "--json", "tight.lgp"]],
  ["merge", ["merge", "--language", "2", "demo.lgp", "demo.lgp", "out.lgp"], ["merge", "--json", "--language=3", "--reference", "2", "--fuzzy", "demo.lgp", "long.lgp", "long.lgp"]],
  ["unknown image", ["decompile", "demo.lgp", "out.lgp"], ["decompile", "blank.bin", "out.lgp"]],
  ["missing signature", ["compile", "demo.lgp", "blank.bin"], ["compile", "--force", "demo.lgp", "blank.bin"]],
  ["a string over 254 codes", ["compile", "long.lgp", "demo.bin"], ["compile", "--crop", "long.lgp", "demo.bin"]],
  ["a pack only the compact packing fits", ["compile", "tight.lgp", "demo.bin"], ["compile", "--compact", "tight.lgp", "demo.bin"]],
  ["reader warnings and a character the pack cannot hold", ["compile", "warned.lgp", "demo.bin"], ["compile", "wide.lgp", "demo.bin"], ["check", "wide.lgp"]],
  ["empty inputs are deleted", ["decompile", "empty.bin", "out.lgp"], ["compile", "empty.lgp", "demo.bin"]],
  ["no byte order mark", ["compile", "nobom.lgp", "demo.bin"]],
  ["output is input", ["decompile", "demo.bin", "demo.bin"], ["compile", "demo.lgp", "demo.lgp"], ["decompile", "demo.bin", "."]],
  ["missing files", ["decompile", "none.bin", "out.lgp"], ["compile", "demo.lgp", "none.bin"], ["check", "none.lgp"], ["merge", "--language", "2", "none.lgp", "demo.lgp", "o.lgp"]],
  ["configuration", ["decompile", "--config", "none.ini", "demo.bin", "o.lgp"], ["check", "--config=tarvo-empty.ini", "demo.lgp"], ["compile", "--config", "demo.lgp", "demo.lgp", "demo.bin"]],
  ["merge refusals", ["merge", "--language", "9", "demo.lgp", "demo.lgp", "o.lgp"], ["merge", "--language", "2", "demo.bin", "demo.lgp", "o.lgp"]],
  ["usage errors", [], ["frobnicate"], ["decompile"], ["decompile", "-x", "a", "b"], ["decompile", "--config"], ["check", "--reference", "0", "a"], ["check", "--reference", "9", "demo.lgp"], ["merge", "a", "b", "c"], ["merge", "--language", "1.5", "a", "b", "c"], ["merge", "--language", "1", "--language", "2", "a", "b", "c"], ["compile", "--crop=maybe", "a", "b"], ["decompile", "---config", "a", "b"], ["export-po", "a", "b"], ["import-po", "--language", "1", "a", "b"]],
  ["help and version", ["--help"], ["help"], ["-h"], ["--version"], ["decompile", "--help"], ["compile", "-h"], ["check", "x", "--help"], ["merge", "--help"], ["export-po", "--help"], ["import-po", "--help"]],
];

const benchCases = benchInputs ? [
  ["bench: compile standard and compact, decompile both ways", ["compile", "realistic.lgp", "flash.bin"], ["decompile", "flash.bin", "a.lgp"], ["compile", "--compact", "generated.lgp", "flash.bin"], ["decompile", "--no-signatures", "--hex-numbers", "flash.bin", "b.lgp"]],
  ["bench: check and merge", ["check", "--json", "realistic.lgp"], ["merge", "--language", "2", "realistic.lgp", "renumbered.lgp", "out.lgp"], ["merge", "--json", "--language", "3", "--fuzzy", "realistic.lgp", "renumbered.lgp", "renumbered.lgp"]],
] : [];

for (const [name, ...steps] of [...exampleCases, ...benchCases]) {
  test(name, () => {
    const files = name.startsWith("bench:")
      ? fs.readdirSync(benchInputs).map((file) => path.join(benchInputs, file)) : [];
    const dirs = [folderWith(files), folderWith(files)];
    try {
      for (const args of steps) {
        const expected = run(native, dirs[0], args);
        const actual = run(web, dirs[1], args);
        assert.deepEqual(actual, expected, `tarvo-cli ${args.join(" ")}`);
        assert.deepEqual(contents(dirs[1]), contents(dirs[0]), `the files after tarvo-cli ${args.join(" ")}`);
      }
    } finally {
      for (const dir of dirs) fs.rmSync(dir, { recursive: true, force: true });
    }
  });
}

test("the PO commands need the native tool", () => {
  const dir = folderWith([]);
  try {
    const result = run(web, dir, ["export-po", "--language", "2", "demo.lgp", "out.po"]);
    assert.equal(result.status, 1);
    assert.match(result.stderr, /export-po needs gettext's PO library.*native tarvo-cli/);
    assert.equal(fs.existsSync(path.join(dir, "out.po")), false);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
