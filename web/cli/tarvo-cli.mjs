#!/usr/bin/env node
// tarvo-cli on Node.js over the core compiled to WebAssembly: decompile,
// compile, check and merge with the native tool's arguments, messages,
// outputs and exit statuses (cli/cli.cpp, cli/cli_frame.cpp). The PO commands
// need gettext's library, which the module has not: they say so.
import fs from "node:fs";
import { createTarvoCore } from "./core/tarvo-core.mjs";
import { isCommand, isPoCommand, parseCommandLine } from "./cli/arguments.mjs";
import { FileError, isDirectory, readWholeFile, removeFile, sameFile, writeFileChanged, writeFileReplacing }
  from "./cli/files.mjs";
import texts from "./cli/cli-texts.mjs";

const write = (fd, text) => fs.writeSync(fd, text);
const out = (text) => write(1, text);
const err = (text) => write(2, text);

function help(command) {
  if (command === undefined) {
    return `${texts.synopsis}\n${texts.decompileHelp}\n${texts.compileHelp}\n${texts.checkHelp}\n` +
      `${texts.exportPoHelp}\n${texts.importPoHelp}\n${texts.mergeHelp}\n${texts.exitStatus}`;
  }
  const name = { decompile: "decompileHelp", compile: "compileHelp", check: "checkHelp", merge: "mergeHelp",
                 "export-po": "exportPoHelp", "import-po": "importPoHelp" }[command];
  return `${texts.synopsis}\n${texts[name]}\n${texts.exitStatus}`;
}

function usageError(problem) {
  err(`tarvo-cli: ${problem}\n\n${texts.synopsis}Run "tarvo-cli --help" for the options.\n`);
  return 2;
}

// The progress line of a terminal, as the native frame draws it.
class Progress {
  constructor(enabled) {
    this.enabled = enabled;
    this.status = "";
    this.open = false;
  }
  callbacks() {
    if (!this.enabled) return {};
    return {
      status: (text) => {
        this.status = text;
      },
      progress: (done, total) => {
        const percent = total > 0 ? Math.floor((100 * done) / total) : 0;
        err(`\r${this.status} ${percent}%   `);
        this.open = true;
      },
    };
  }
  end() {
    if (this.open) err("\n");
    this.open = false;
  }
}

// A message of a command, printed as the native frame prints it.
function printMessage(message, progress, answers) {
  progress.end();
  if (message.kind === "compact") {
    err(`${message.report}\n`);
    return;
  }
  err(`${message.text}\n`);
  if (message.report) err(`${message.report}\n`);
  if (message.kind === "crop") {
    err(answers.crop ? "Cropped (--crop).\n" : "Stopped: give --crop to crop over-long strings.\n");
  } else if (message.kind === "missingSignature") {
    err(answers.force ? "Writing anyway (--force).\n" : "Stopped: give --force to write into this file anyway.\n");
  }
}

function printWarnings(warnings, progress) {
  const shown = 20;
  progress.end();
  for (const warning of warnings.slice(0, shown)) err(`Warning: ${warning}\n`);
  if (warnings.length > shown) {
    err(`... and ${warnings.length - shown} more warnings; run tarvo-cli check for all.\n`);
  }
}

// tarvo.ini as the native tool finds it: --config FILE, else the one in the
// working directory, else the module's own. False when it is unusable.
function loadConfiguration(core, configPath) {
  let file = configPath;
  if (file === undefined) {
    let local = null;
    try {
      local = fs.lstatSync("tarvo.ini");
    } catch {
      local = null;
    }
    if (!local) return true;
    file = "tarvo.ini";
  }
  let bytes = null;
  try {
    const info = fs.statSync(file);
    if (info.isFile()) {
      if (info.size === 0) {
        removeFile(file);
      } else {
        bytes = fs.readFileSync(file);
      }
    }
  } catch {
    bytes = null;
  }
  if (bytes && core.loadConfig(bytes).ok) return true;
  err(`Error reading configuration!\n("${file}" is missing, empty, or lacks PHONETYPE or TRANS entries.)\n`);
  return false;
}

function decompile(core, options, [flashPath, lgpPath], progress) {
  if (sameFile(lgpPath, flashPath)) {
    throw new FileError(`The text file "${lgpPath}" is the flash file itself; choose another name.`);
  }
  if (isDirectory(lgpPath)) throw new FileError(`Cannot write "${lgpPath}": it is a folder.`);
  const image = readWholeFile(flashPath);
  if (image.length === 0) {
    removeFile(flashPath);
    err(`The flash file "${flashPath}" is empty (0 bytes) and has been deleted.\n`);
    return 1;
  }
  const result = core.decompile(image, flashPath,
    { saveLangSignatures: !options["no-signatures"], hexNumbers: !!options["hex-numbers"] }, progress.callbacks());
  if (!result.ok) {
    progress.end();
    err(`${result.message}\n`);
    return 1;
  }
  writeFileReplacing(lgpPath, result.lgp);
  return 0;
}

function compile(core, options, [lgpPath, flashPath], progress) {
  // The native tool opens the image first, to lock it.
  try {
    fs.closeSync(fs.openSync(flashPath, "r"));
  } catch (error) {
    if (error.code !== "ENOENT") readWholeFile(flashPath);
  }
  if (sameFile(lgpPath, flashPath)) {
    throw new FileError(`The flash file "${flashPath}" is the LGpack file itself; choose another.`);
  }
  const text = readWholeFile(lgpPath);
  if (text.length === 0) {
    removeFile(lgpPath);
    err(`The LGpack file "${lgpPath}" is empty (0 bytes) and has been deleted.\n`);
    return 1;
  }
  // The image is read when the pack needs it; a failure to read it is said then.
  let image = null;
  let imageError = "";
  try {
    image = readWholeFile(flashPath);
  } catch (error) {
    if (!(error instanceof FileError)) throw error;
    imageError = error.message;
  }
  const answers = { crop: !!options.crop, force: !!options.force, compact: !!options.compact };
  const result = core.compile(text, lgpPath, image, flashPath, { ...answers, imageError }, {
    ...progress.callbacks(),
    message: (message) => printMessage(message, progress, answers),
    warnings: (warnings) => printWarnings(warnings, progress),
  });
  if (result.question) {
    printMessage(result.question, progress, answers);
    return 1;
  }
  if (!result.ok) {
    progress.end();
    if (result.silent) err(`${result.message}\n`);
    return 1;
  }
  if (result.languageFile) {
    writeFileReplacing(flashPath, result.image);
  } else {
    writeFileChanged(flashPath, result.image, result.changedFrom, result.changedTo);
  }
  return 0;
}

function check(core, options, [lgpPath]) {
  const reference = options.reference ?? 1;
  const text = readWholeFile(lgpPath);
  const report = core.check(text, lgpPath, reference);
  if (!report.ok) {
    err(`${report.message}\n`);
    return 1;
  }
  if (report.read && report.languages > 0 && reference > report.languages) {
    return usageError(`--reference ${reference} names no language: the file has ${report.languages}`);
  }
  out(options.json ? report.json : report.text);
  return report.fits ? 0 : 1;
}

function merge(core, options, [oldPath, newPath, outputPath]) {
  const oldLgp = readWholeFile(oldPath);
  const newLgp = readWholeFile(newPath);
  const result = core.merge(oldLgp, oldPath, newLgp, newPath,
    { language: options.language, reference: options.reference ?? 1, fuzzy: !!options.fuzzy });
  if (!result.ok) {
    err(`${result.message}\n`);
    return 1;
  }
  writeFileReplacing(outputPath, result.lgp);
  if (options.json) {
    out(result.json);
  } else {
    err(result.summary);
  }
  return 0;
}

async function main(args) {
  const isHelp = (arg) => arg === "--help" || arg === "-h";
  if (args.length > 0 && (isHelp(args[0]) || args[0] === "help")) {
    out(help());
    return 0;
  }
  if (args.length > 0 && args[0] === "--version") {
    out(`tarvo-cli ${texts.version}\n`);
    return 0;
  }
  if (args.length >= 2 && isCommand(args[0]) && args.slice(1).some(isHelp)) {
    out(help(args[0]));
    return 0;
  }
  const parsed = parseCommandLine(args);
  if (parsed.problem) return usageError(parsed.problem);
  const { command, options, files } = parsed;
  if (isPoCommand(command)) {
    err(`tarvo-cli: ${command} needs gettext's PO library, which this tarvo-cli on Node.js does not have; ` +
        "run the native tarvo-cli for it.\n");
    return 1;
  }
  const core = await createTarvoCore();
  try {
    if (command === "merge") return merge(core, options, files);
    if (!loadConfiguration(core, options.config)) return 1;
    if (command === "check") return check(core, options, files);
    const progress = new Progress(process.stderr.isTTY === true);
    try {
      return command === "decompile" ? decompile(core, options, files, progress)
                                     : compile(core, options, files, progress);
    } finally {
      progress.end();
    }
  } catch (error) {
    if (!(error instanceof FileError)) throw error;
    err(`${error.message}\n`);
    return 1;
  }
}

process.exitCode = await main(process.argv.slice(2));
