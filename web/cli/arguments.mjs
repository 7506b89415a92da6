// The arguments of tarvo-cli, read with Node.js's parseArgs and then as the
// native tool's parser (CLI11) reads them, so that both accept and refuse the
// same command lines with the same words.
import { parseArgs } from "node:util";

/** The options of each command: "file" and "number" take a value, "flag" none. */
const commandOptions = {
  decompile: { config: "file", "hex-numbers": "flag", "no-signatures": "flag" },
  compile: { config: "file", crop: "flag", force: "flag", compact: "flag" },
  check: { config: "file", reference: "number", json: "flag" },
  "export-po": { language: "number", source: "number", "po-language": "code" },
  "import-po": { language: "number", fuzzy: "flag" },
  merge: { language: "number", reference: "number", fuzzy: "flag", json: "flag" },
};

export const isCommand = (name) => Object.hasOwn(commandOptions, name);
export const isPoCommand = (name) => name === "export-po" || name === "import-po";

class UsageError extends Error {}

function needsValue(name, kind) {
  const what = kind === "file" ? "a file name" : kind === "code" ? "a language code" : "a number";
  return new UsageError(`--${name} needs ${what}`);
}

// A whole number as strtoll reads it with base 0 (decimal, 0x hexadecimal,
// 0 octal, blanks before), in the range of a 32-bit int; else null.
function integer(text) {
  const match = /^[ \t\n\v\f\r]*([+-]?)(0[xX][0-9a-fA-F]+|0[0-7]*|[1-9][0-9]*)$/.exec(text);
  if (!match) return null;
  const digits = match[2];
  let value = /^0[xX]/.test(digits) ? BigInt(digits) : digits.length > 1 && digits[0] === "0"
    ? BigInt("0o" + digits.slice(1)) : BigInt(digits);
  if (match[1] === "-") value = -value;
  return value >= -2147483648n && value <= 2147483647n ? Number(value) : null;
}

// A flag's value after "=": true, false, or a usage error.
function flagValue(text, name) {
  if (text === "") return true;
  if (text === "true") return true;
  if (text === "false") return false;
  const lower = text.toLowerCase();
  if (lower.length === 1) {
    if (lower >= "1" && lower <= "9") return true;
    if ("0fn-".includes(lower)) return false;
    if ("ty+".includes(lower)) return true;
    throw needsValue(name, "flag");
  }
  if (["true", "on", "yes", "enable"].includes(lower)) return true;
  if (["false", "off", "no", "disable"].includes(lower)) return false;
  const number = /^[ \t\n\v\f\r]*[+-]?[0-9]+/.exec(text);
  if (!number) throw needsValue(name, "flag");
  const value = BigInt(number[0].trim());
  if (value > 9223372036854775807n || value < -9223372036854775808n) throw needsValue(name, "flag");
  return value > 0n;
}

// What the native parser makes of one argument: "--" ends the options, a long
// option starts "--" and a character other than -, !, space or line feed, a
// short one "-" and such a character but no digit; anything else is a file.
function classify(arg) {
  if (arg === "--") return "end";
  const valid = (c) => c !== undefined && !"-! \n".includes(c);
  if (arg.length > 2 && arg.startsWith("--") && valid(arg[2])) return "long";
  if (arg.length > 1 && arg[0] === "-" && valid(arg[1]) && !(arg[1] >= "0" && arg[1] <= "9")) return "short";
  return "positional";
}

/**
 * Reads the arguments after the command. Returns { options, files } or
 * throws UsageError with the native tool's words.
 */
function parseCommand(command, args) {
  const known = commandOptions[command];
  const parseOptions = {};
  for (const [name, kind] of Object.entries(known)) parseOptions[name] = { type: kind === "flag" ? "boolean" : "string" };
  const { tokens } = parseArgs({ args, options: parseOptions, strict: false, allowPositionals: true, tokens: true });

  const given = {}; // name -> values in order
  const files = [];
  const unknown = [];
  let ended = false;
  let lastIndex = -1;
  for (const token of tokens) {
    if (token.index === lastIndex && token.kind === "option" && !token.rawName.startsWith("--")) continue;
    lastIndex = token.index;
    const arg = args[token.index];
    if (token.kind === "option-terminator") {
      ended = true;
      continue;
    }
    if (token.kind === "positional" || ended) {
      files.push(token.kind === "positional" ? token.value : arg);
      continue;
    }
    const kind = classify(arg);
    if (kind === "positional") {
      files.push(arg);
      // parseArgs may have taken the next argument as this one's value.
      if (token.value !== undefined && !token.inlineValue) files.push(token.value);
      continue;
    }
    const name = kind === "long" ? arg.slice(2).split("=")[0] : null;
    if (name === null || !Object.hasOwn(known, name)) {
      unknown.push(arg);
      if (token.value !== undefined && !token.inlineValue) files.push(token.value);
      continue;
    }
    const optionKind = known[name];
    if (optionKind === "flag") {
      (given[name] ??= []).push(token.inlineValue ? { flag: token.value } : { flag: "" });
      continue;
    }
    // An empty value after "=" is none: the next argument is taken, whatever it is.
    let value = token.value;
    if (token.inlineValue && value === "") value = undefined;
    if (value === undefined) {
      throw needsValue(name, optionKind);
    }
    (given[name] ??= []).push({ value });
  }

  // As the native parser, in the order the options are defined.
  const options = {};
  for (const [name, kind] of Object.entries(known)) {
    const values = given[name];
    if (!values) continue;
    if (kind === "flag") {
      let on = false;
      for (const { flag } of values) on = flagValue(flag, name);
      options[name] = on;
      continue;
    }
    if (values.length > 1) throw needsValue(name, kind);
    const { value } = values[0];
    if (kind === "number") {
      const number = integer(value);
      if (number === null) throw needsValue(name, kind);
      options[name] = number;
    } else {
      options[name] = value;
    }
  }
  const extra = unknown.find((arg) => arg.length > 1 && arg[0] === "-");
  if (extra !== undefined) throw new UsageError(`unknown option "${extra}" for ${command}`);
  return { options, files };
}

/** The command line read, or { problem } for a usage error. */
export function parseCommandLine(args) {
  if (args.length === 0) return { problem: "no command given" };
  const command = args[0];
  if (!isCommand(command)) return { problem: `unknown command "${command}"` };
  let parsed;
  try {
    parsed = parseCommand(command, args.slice(1));
  } catch (error) {
    if (error instanceof UsageError) return { problem: error.message };
    throw error;
  }
  const { options, files } = parsed;
  const count = (n, word) => (files.length !== n ? `expected ${word} file name${n > 1 ? "s" : ""}` : null);
  let problem = null;
  if (command === "check") {
    if (options.reference !== undefined && options.reference < 1) problem = "--reference counts languages from 1";
    else problem = count(1, "one");
  } else if (command === "merge") {
    if (options.reference !== undefined && options.reference < 1) problem = "--reference counts languages from 1";
    else if (options.language === undefined) problem = "merge needs --language N";
    else problem = count(3, "three");
  } else {
    problem = command === "import-po" ? count(3, "three") : count(2, "two");
    if (!problem && isPoCommand(command) && options.language === undefined) problem = `${command} needs --language N`;
  }
  return problem ? { problem } : { command, options, files };
}
