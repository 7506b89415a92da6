// What tarvo-cli says about itself: the synopsis, the help of each command
// and the exit statuses. The Node.js command line (web/cli/) prints the same
// texts, read from this file when it is built.
#pragma once

namespace tarvo {

constexpr const char* kSynopsis =
    "Usage:\n"
    "  tarvo-cli decompile [--config FILE] [--hex-numbers] [--no-signatures] FLASH OUTPUT.lgp\n"
    "  tarvo-cli compile [--config FILE] [--crop] [--force] [--compact] INPUT.lgp FLASH\n"
    "  tarvo-cli check [--config FILE] [--reference N] [--json] INPUT.lgp\n"
    "  tarvo-cli export-po --language N [--source M] [--po-language CODE] INPUT.lgp OUTPUT.po\n"
    "  tarvo-cli import-po --language N [--fuzzy] INPUT.lgp TRANSLATION.po OUTPUT.lgp\n"
    "  tarvo-cli merge --language N [--reference M] [--fuzzy] [--json] OLD.lgp NEW.lgp OUTPUT.lgp\n"
    "  tarvo-cli --help | --version\n"
    "  tarvo-cli decompile --help | tarvo-cli compile --help | tarvo-cli check --help\n"
    "  tarvo-cli export-po --help | tarvo-cli import-po --help | tarvo-cli merge --help\n";

constexpr const char* kDecompileHelp =
    "decompile  Reads the language pack of a flash image (*.bin) or an SL4x language\n"
    "           file (*.lng), identifies its phone type from the configuration and\n"
    "           writes every string into an editable UTF-16LE text file (*.lgp).\n"
    "             --config FILE     configuration file (default: tarvo.ini in the\n"
    "                               working directory, else the one installed\n"
    "                               with the program)\n"
    "             --hex-numbers     write string numbers in hexadecimal (\"String $1A\")\n"
    "             --no-signatures   do not keep language signatures (window selector\n"
    "                               bytes) as escapes in the text\n";

constexpr const char* kCompileHelp =
    "compile    Reads an LGpack text file (*.lgp), packs its strings and writes the\n"
    "           pack into the flash image FLASH in place (it must exist), or writes\n"
    "           a new SL4x language file when the phone type is a language file.\n"
    "           Nothing is written when anything does not fit.\n"
    "             --config FILE     configuration file (default: as for decompile)\n"
    "             --crop            crop strings that pack to more than 254 bytes\n"
    "                               (without it the first such string stops)\n"
    "             --force           write into a flash image that has no language\n"
    "                               pack signature where the phone type puts the pack\n"
    "             --compact         pack compactly: each language's dictionary chosen\n"
    "                               for the fewest bytes (never larger than without\n"
    "                               it, slower to compile; the phone reads it alike)\n";

constexpr const char* kCheckHelp =
    "check      Reads an LGpack text file (*.lgp) as compile does, packs it in\n"
    "           memory with the standard and the compact packing, writes nothing,\n"
    "           and reports the pack's size against the phone's limit, each\n"
    "           language's sizes, and the mistakes in the text with their line\n"
    "           numbers. Exit status 0 when compile would succeed with the\n"
    "           standard packing (warnings allowed), 1 when it would not.\n"
    "             --config FILE     configuration file (default: as for decompile)\n"
    "             --reference N     compare the other languages with language N\n"
    "                               (counted from 1; default 1)\n"
    "             --json            write the report as one JSON object\n";

constexpr const char* kExportPoHelp =
    "export-po  Writes one language of an LGpack text file (*.lgp) as a gettext PO\n"
    "           file for translation tools: one entry per message number, the\n"
    "           message number in the comment \"#. Message N\" (and as msgctxt\n"
    "           where messages share a source text), the source language's text\n"
    "           as msgid and the language's text as msgstr. Messages whose source\n"
    "           text is empty are left out. Languages are counted from 1 in file\n"
    "           order.\n"
    "             --language N        the language to translate\n"
    "             --source M          the language to translate from (default: 1)\n"
    "             --po-language CODE  the PO header's Language, such as \"pl\"\n";

constexpr const char* kImportPoHelp =
    "import-po  Takes the translations of a PO file into language N of INPUT.lgp and\n"
    "           writes the result to OUTPUT.lgp (which may be INPUT.lgp). Only the\n"
    "           texts that differ change; every other byte stays. Entries that are\n"
    "           fuzzy or obsolete, and empty translations, are skipped. Nothing is\n"
    "           written when any entry cannot be taken.\n"
    "             --language N        the language the PO file translates into\n"
    "             --fuzzy             take fuzzy entries too\n";

constexpr const char* kMergeHelp =
    "merge      Carries the translation in language N of OLD.lgp (an older pack)\n"
    "           into NEW.lgp (a newer firmware's pack) and writes the result to\n"
    "           OUTPUT.lgp (which may be NEW.lgp). Messages are matched by the\n"
    "           text of the reference language, whatever their numbers; languages\n"
    "           are counted from 1 in NEW.lgp and found in OLD.lgp by their LangId.\n"
    "           Only language N's texts change. Standard error gets a summary and\n"
    "           the numbers of ambiguous, changed, new and dropped messages.\n"
    "             --language N        the language to carry\n"
    "             --reference M       the language whose texts match messages\n"
    "                                 (default: 1)\n"
    "             --fuzzy             carry translations of messages whose\n"
    "                                 reference text changed too\n"
    "             --json              write the report to standard output as one\n"
    "                                 JSON object\n";

constexpr const char* kExitStatus =
    "Exit status: 0 on success, 1 when the command fails (the reason is printed on\n"
    "standard error), 2 on a usage error.\n";

}  // namespace tarvo
