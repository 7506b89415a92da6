#!/usr/bin/env bash
# The bash completion of tarvo-cli: what it offers for a command line typed so
# far, in a folder with files of every kind the commands take.
# Usage: completion_test.sh COMPLETION_SCRIPT
set -uo pipefail
source "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir phones
touch demo.bin OLD.BIN demo.lng demo.lgp other.lgp tarvo.ini de.po notes.txt

passed=0 failed=0
# expect "WHAT WAS TYPED" "EXPECTED OFFERS": the last word of the line is the
# one being completed (empty after a trailing space).
expect() {
  local line=$1 wanted=$2 got
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _tarvo_cli
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  if [[ $got == "$wanted" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: \"$line\" offered \"$got\", expected \"$wanted\""
  fi
}

# Commands and options
expect "tarvo-cli " "--help --version check compile decompile export-po import-po merge"
expect "tarvo-cli co" "compile"
expect "tarvo-cli -" "--help --version"
expect "tarvo-cli decompile -" "--config --help --hex-numbers --no-signatures"
expect "tarvo-cli compile --c" "--compact --config --crop"
expect "tarvo-cli check --" "--config --help --json --reference"
expect "tarvo-cli export-po -" "--help --language --po-language --source"
expect "tarvo-cli import-po --" "--fuzzy --help --language"
expect "tarvo-cli merge -" "--fuzzy --help --json --language --reference"
expect "tarvo-cli frobnicate " ""

# File arguments in order, with folders; extensions in any case
expect "tarvo-cli decompile " "OLD.BIN demo.bin demo.lng phones"
expect "tarvo-cli decompile --hex-numbers demo.bin " "demo.lgp other.lgp phones"
expect "tarvo-cli decompile demo.bin out.lgp " ""
expect "tarvo-cli compile " "demo.lgp other.lgp phones"
expect "tarvo-cli compile --crop demo.lgp d" "demo.bin demo.lng"
expect "tarvo-cli check o" "other.lgp"
expect "tarvo-cli export-po --language 2 demo.lgp " "de.po phones"
expect "tarvo-cli import-po --language 2 demo.lgp de.po " "demo.lgp other.lgp phones"
expect "tarvo-cli merge --language 2 --reference 3 demo.lgp other.lgp " "demo.lgp other.lgp phones"
expect "tarvo-cli merge --language 2 a.lgp b.lgp c.lgp " ""

# Option values: a configuration file, nothing to offer for numbers and codes;
# a value is not counted as a file argument
expect "tarvo-cli decompile --config " "phones tarvo.ini"
expect "tarvo-cli compile --config tarvo.ini " "demo.lgp other.lgp phones"
expect "tarvo-cli check --reference " ""
expect "tarvo-cli check --reference 1 " "demo.lgp other.lgp phones"
expect "tarvo-cli export-po --po-language " ""
expect "tarvo-cli import-po --language 3 --fuzzy " "demo.lgp other.lgp phones"

# After "--" every word is a file, even one starting with a dash
touch -- -odd.bin
expect "tarvo-cli decompile -- -" "-odd.bin"
expect "tarvo-cli decompile -- -odd.bin " "demo.lgp other.lgp phones"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
