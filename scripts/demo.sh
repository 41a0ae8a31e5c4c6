#!/usr/bin/env bash
# Encodes the bundled BASIC program to cassette audio and decodes it back, twice: once as plain
# data (the bytes come back identical) and once in BASIC mode (the NULs that pad every line end
# come back too, and the text is identical once they are removed); then the robust decoder reads
# the same tape played 2 % fast; last, a piece of machine code goes to tape as the monitor's load
# text and comes back as the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
qirvex="$PWD/build/qirvex"
rescue="$PWD/build/qirvex-rescue"
program="$PWD/build/qirvex-program"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp examples/squares.bas "$work/"
cd "$work"

echo "== The program, examples/squares.bas:"
cat squares.bas | tr -d '\r'

# qirvex exits with 1 when the job went through.
expect_success() { local status=0; "$@" || status=$?; [ "$status" -eq 1 ] || { echo "failed ($status): $*"; exit 1; }; }

echo
echo "== Plain encode: qirvex squares.bas plain.wav"
expect_success "$qirvex" squares.bas plain.wav
ls -l plain.wav | awk '{print "   " $5 " bytes of 21600 Hz 8-bit mono audio"}'
echo "== Decode: qirvex plain.wav plain.txt"
expect_success "$qirvex" plain.wav plain.txt
echo
cmp squares.bas plain.txt && echo "== plain.txt is byte-identical to squares.bas"

echo
echo "== BASIC encode for loading into the machine: qirvex -B squares.bas"
expect_success "$qirvex" -B squares.bas
echo "== Decode: qirvex squares.wav"
expect_success "$qirvex" squares.wav
echo
tr -d '\0' < squares.txt > squares-without-nuls.txt
echo "== squares.txt holds $(tr -cd '\0' < squares.txt | wc -c) NULs of line-end padding"
# BASIC mode starts the tape with one empty line (CR, NULs, LF) before the program.
tail -c +3 squares-without-nuls.txt | cmp - squares.bas && echo "== without them (and the empty first line) the text is identical to squares.bas"

echo
echo "== A tape 2 % fast (-Q writes 22050 samples/sec where 21600 are due): qirvex -Q squares.bas fast.wav"
expect_success "$qirvex" -Q squares.bas fast.wav
echo "== The robust decoder measures the speed: qirvex-rescue fast.wav rescued.txt"
# qirvex-rescue exits with 0 when every word was read cleanly.
"$rescue" fast.wav rescued.txt
cmp squares.bas rescued.txt && echo "== rescued.txt is byte-identical to squares.bas"

echo
echo "== Machine code: six bytes for \$0300 (LDA #\$2A, STA \$D000, RTS) in hello.0300.bin"
printf '\xA9\x2A\x8D\x00\xD0\x60' > hello.0300.bin
echo "== As the 65V monitor's load text, to run at \$0300: qirvex-program to-tape -g 0300 hello.0300.bin hello.65v"
"$program" to-tape -g 0300 hello.0300.bin hello.65v
echo "   $(tr -d '\0' < hello.65v | tr '\r' ' ')   (each CR shown as a space, its NULs left out)"
echo "== To tape at 600 baud, and back: qirvex -R1 hello.65v; qirvex-rescue -R1 hello.wav decoded.txt"
expect_success "$qirvex" -R1 hello.65v
"$rescue" -R1 hello.wav decoded.txt
echo "== The program again: qirvex-program from-tape -t binary decoded.txt back"
"$program" from-tape -t binary decoded.txt back
cmp hello.0300.bin back.0300.bin && echo "== back.0300.bin is byte-identical to hello.0300.bin"
echo "   back.go keeps its run address: $(cat back.go)"
