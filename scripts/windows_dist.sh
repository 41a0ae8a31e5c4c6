#!/usr/bin/env bash
# The Windows release archive, build-windows/qirvex-windows-x64.zip: a folder qirvex\ with
# qirvex.exe, the README and the docs it links to, the manual page as plain text and the example
# program; the texts get Windows line ends, so that any editor shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
archive="$PWD/build-windows/qirvex-windows-x64.zip"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/qirvex"
mkdir -p "$folder/docs"

with_crlf() { sed 's/\r*$/\r/'; }

cp build-windows/qirvex.exe "$folder/"
with_crlf < README.md > "$folder/README.md"
for doc in docs/*.md; do
    with_crlf < "$doc" > "$folder/$doc"
done
# Plain ASCII: no overstriking for bold and underline, no escape sequences.
groff -man -Tascii -P-c -P-b -P-o -P-u qirvex.1 | with_crlf > "$folder/qirvex.txt"
cp examples/squares.bas "$folder/"

rm -f "$archive"
(cd "$stage" && zip -q -r -X "$archive" qirvex)
echo "$archive:"
unzip -l "$archive"
