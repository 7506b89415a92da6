#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it without
# installing it: its control fields, its exact file list, the programs run from
# the unpacked tree (the default configuration found beside them), the icons'
# sizes, the manual pages, the AppStream metadata and the desktop entry.
# Usage: check_package.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

echo "== cpack -G DEB"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/out/tarvo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/out")"

echo "== control fields"
info=$(dpkg-deb --field "$deb")
field() { grep -m1 "^$1:" <<<"$info" | cut -d' ' -f2-; }
[ "$(field Package)" = tarvo ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
# The extended description follows as indented lines that fit a terminal.
grep -qF ' Tarvo edits the language pack ("LGpack")' <<<"$info" || fail "extended description: $info"
long=$(awk '/^ / && length > 80' <<<"$info")
[ -z "$long" ] || fail "description lines over 80 characters: $long"
depends=$(field Depends | tr ',' '\n' | awk '{print $1}')
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
  grep -qxF "$library" <<<"$depends" || fail "Depends lacks $library: $(field Depends)"
done
grep -qF libnuspell5 <<<"$depends" || fail "Depends lacks libnuspell5: $(field Depends)"
recommends=$(field Recommends)
for dictionary in hunspell-en-us hunspell-de-de hunspell-fr hunspell-es hunspell-it hunspell-pl hunspell-ru hunspell-pt-pt; do
  grep -qw -- "$dictionary" <<<"$recommends" || fail "Recommends lacks $dictionary: $recommends"
done

echo "== file list"
dpkg-deb -x "$deb" "$work/root"
(cd "$work/root" && find . ! -type d | sed 's/^\.//' | sort) >"$work/files.txt"
diff -u "$source_dir/tests/package/expected-files.txt" "$work/files.txt" || fail "the file list differs"
root="$work/root/usr"
bad_modes=$(cd "$work/root" && find . \( -type f -perm /022 \) -o \( -type d ! -perm 755 \))
[ -z "$bad_modes" ] || fail "writable by others or odd folder modes: $bad_modes"
for program in tarvo tarvo-cli; do
  [ -x "$root/bin/$program" ] || fail "$program is not executable"
  file "$root/bin/$program" | grep -q "ELF.*, stripped" || fail "$program: $(file -b "$root/bin/$program")"
done

echo "== the unpacked tarvo-cli"
[ "$("$root/bin/tarvo-cli" --version)" = "tarvo-cli $version" ] || fail "tarvo-cli --version"
mkdir "$work/elsewhere"
(cd "$work/elsewhere" &&
  "$root/bin/tarvo-cli" decompile --no-signatures "$root/share/doc/tarvo/examples/demo.bin" demo.lgp) ||
  fail "decompile of the shipped example without a tarvo.ini in the working folder"
cmp "$work/elsewhere/demo.lgp" "$root/share/doc/tarvo/examples/demo.lgp" || fail "decompiled example differs"

echo "== icons and manual pages"
for size in 16 32 48 128 256; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/tarvo.png"
  file -b "$icon" | grep -q "^PNG image data, $size x $size," || fail "$icon: $(file -b "$icon")"
done
for page in tarvo tarvo-cli; do
  warnings=$(zcat "$root/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

echo "== desktop entry and AppStream metadata"
desktop-file-validate "$root/share/applications/tarvo.desktop"
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml
# With a published screenshot the metadata lists it, and still validates.
cmake -DMETAINFO_IN="$source_dir/app/tarvo.metainfo.xml.in" -DMETAINFO_OUT="$work/shot.metainfo.xml" \
  -DTARVO_APPSTREAM_ID=invalid.tarvo.Tarvo -DTARVO_SCREENSHOT_URL=https://tarvo.example/mainform.png \
  -P "$source_dir/cmake/WriteMetainfo.cmake"
grep -q "<image>https://tarvo.example/mainform.png</image>" "$work/shot.metainfo.xml" || fail "no screenshot"
grep -q "<image>https://tarvo.example/editor.png</image>" "$work/shot.metainfo.xml" || fail "no editor screenshot"
appstreamcli validate --no-net "$work/shot.metainfo.xml"
echo "The package is complete: $(basename "$deb")"
