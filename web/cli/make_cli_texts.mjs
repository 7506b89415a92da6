// Writes the texts of tarvo-cli (cli/cli_texts.h) and the version as a
// JavaScript module, so that both command lines say the same:
// node make_cli_texts.mjs cli_texts.h VERSION OUTPUT.mjs
import fs from "node:fs";

const [header, version, output] = process.argv.slice(2);
const source = fs.readFileSync(header, "utf8");
fs.mkdirSync(new URL(".", "file://" + output), { recursive: true });
const texts = { version };
for (const [, name, literals] of source.matchAll(/constexpr const char\* k(\w+) =((?:\s*"(?:[^"\\]|\\.)*")+);/g)) {
  // C's escapes in these texts (\n, \", \\) read as JSON's.
  const parts = [...literals.matchAll(/"((?:[^"\\]|\\.)*)"/g)].map(([literal]) => JSON.parse(literal));
  texts[name[0].toLowerCase() + name.slice(1)] = parts.join("");
}
fs.writeFileSync(output, `// Made from cli/cli_texts.h by web/cli/make_cli_texts.mjs.\nexport default ${JSON.stringify(texts, null, 2)};\n`);
