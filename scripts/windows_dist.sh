#!/usr/bin/env bash
# The Windows release archive, build-windows/qirvex-windows-x64.zip: a folder qirvex\ with
# qirvex.exe, qirvex-rescue.exe and qirvex-play.exe, the browser page as one file (qirvex.html,
# for reading recordings and listening), the Windows guide as its README, the three manual pages
# as plain text, the licences of the libraries in qirvex-rescue.exe and qirvex-play.exe, the example program, and the
# troubleshooting guide with the pages and pictures it links to. The project's own README
# stays out: it tells how to build on Linux. The texts get Windows line ends, so that any editor
# shows them, and every link between them must lead to a file in the zip.
set -euo pipefail
cd "$(dirname "$0")/.."
archive="$PWD/build-windows/qirvex-windows-x64.zip"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/qirvex"
mkdir -p "$folder/docs"

with_crlf() { sed 's/\r*$/\r/'; }
# The guides' links to the project's README lead nowhere in the zip, whose README is the Windows
# guide: they become plain text that says where to look.
without_readme_links() {
    sed -E -e "s/\[README\]\(\.\.\/README\.md[^)]*\)/project's README/g" \
        -e "s/\[([^]]*)\]\(\.\.\/README\.md[^)]*\)/\1 (in the project's README)/g"
}

cp build-windows/qirvex.exe build-windows/qirvex-rescue.exe build-windows/qirvex-play.exe \
    build-web/qirvex.html "$folder/"
with_crlf < docs/windows.md > "$folder/README.md"
for doc in troubleshooting robustness performance; do
    without_readme_links < "docs/$doc.md" | with_crlf > "$folder/docs/$doc.md"
done
cp docs/ber.png "$folder/docs/"
# Plain ASCII: no overstriking for bold and underline, no escape sequences.
for page in qirvex qirvex-rescue qirvex-play; do
    groff -man -Tascii -P-c -P-b -P-o -P-u "$page.1" | with_crlf > "$folder/$page.txt"
done
# qirvex-rescue.exe holds libsndfile (LGPL 2.1, whose ALAC and GSM 6.10 code carry notices of
# their own), dr_flac and dr_mp3; stb_vorbis's licence is the end of Debian's copy of it.
mkdir -p "$folder/licences"
with_crlf < third_party/libsndfile/COPYING > "$folder/licences/libsndfile.txt"
with_crlf < third_party/libsndfile/src/ALAC/LICENSE > "$folder/licences/libsndfile-alac.txt"
with_crlf < third_party/libsndfile/src/GSM610/COPYRIGHT > "$folder/licences/libsndfile-gsm610.txt"
with_crlf < third_party/dr_libs/LICENSE > "$folder/licences/dr_libs.txt"
with_crlf < third_party/miniaudio/LICENSE > "$folder/licences/miniaudio.txt"
sed -n '/^This software is available under 2 licenses/,$p' /usr/include/stb/stb_vorbis.h |
    with_crlf > "$folder/licences/stb_vorbis.txt"
cp examples/squares.bas "$folder/"

# Links to pages and pictures, less any #anchor; addresses and anchors alone are not checked.
broken=0
while IFS= read -r page; do
    while IFS= read -r target; do
        [ -e "$(dirname "$page")/$target" ] || { echo "windows_dist: ${page#"$stage"/} links $target, which the zip lacks" >&2; broken=1; }
    done < <(grep -o '](\([^)#:]*\)[^)]*)' "$page" | sed 's/^](\([^)#]*\).*/\1/' | grep -v '^$' || true)
done < <(find "$folder" -name '*.md')
[ "$broken" -eq 0 ] || exit 1

rm -f "$archive"
(cd "$stage" && zip -q -r -X "$archive" qirvex)
echo "$archive:"
unzip -l "$archive"
