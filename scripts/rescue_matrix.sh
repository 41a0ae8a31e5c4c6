#!/usr/bin/env bash
# Degradation matrix for qirvex-rescue, beside qirvex and minimodem.
#
# Makes clean KCS audio of two corpora (a BASIC listing and random bytes) at 300 and 600 baud,
# either with qirvex itself or with minimodem's transmitter (SOURCE=minimodem), degrades it with
# sox in the ways real recordings are damaged, decodes every file with all three decoders and
# prints, per condition, the share of the data each one recovered in order (aligned accuracy)
# or "exact". Needs sox, minimodem and python3; run from the repository after `make`.
#
#   scripts/rescue_matrix.sh [BAUD...]       e.g. scripts/rescue_matrix.sh 300 600
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
qirvex="$root/build/qirvex"
rescue="$root/build/qirvex-rescue"
source_tool=${SOURCE:-qirvex}
bauds=("$@")
[ ${#bauds[@]} -eq 0 ] && bauds=(300 600)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in sox minimodem python3; do
    command -v "$tool" >/dev/null || { echo "rescue_matrix: $tool is needed" >&2; exit 2; }
done
[ -x "$rescue" ] || { echo "rescue_matrix: build first (make)" >&2; exit 2; }

# The corpora: a BASIC listing of about 2 kB and 1500 random bytes from a fixed seed.
make_corpora() {
    for i in $(seq 1 12); do cat "$root/examples/squares.bas"; done |
        awk '{ printf "%d%s\r\n", NR * 10, substr($0, index($0, " ")) }' >"$work/basic.txt"
    python3 -c 'import random,sys; r=random.Random(1977); sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(1500)))' >"$work/random.bin"
}

# Clean audio of a corpus at a baud rate, 8N2, from the chosen transmitter.
make_source() { # corpus baud out.wav
    if [ "$source_tool" = minimodem ]; then
        # minimodem sends 8N1 words with as much idle mark between them as it likes; 2 stop
        # bits make the words readable as 8N2 by qirvex too.
        minimodem --tx -q --stopbits 2 -M 2400 -S 1200 -f "$3" "$2" <"$1"
    else
        local rate=""
        [ "$2" = 600 ] && rate=-R1
        # qirvex exits with 1 when it went through.
        "$qirvex" -F $rate "$1" "$3" >/dev/null 2>&1 || true
    fi
}

# sox quietly, guarding against the clipping that resampling a full-scale square wave causes;
# the conditions that clip on purpose call sox_clipping.
sx() { sox -V1 -G "$@"; }
sox_clipping() { sox -V1 "$@"; }

signal_rms() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }

# Writes the degraded copy of $1 for condition $2 to $3, as a 44.1 kHz 16-bit capture unless
# the condition says otherwise.
degrade() { # in condition out
    local in=$1 cond=$2 out=$3 cd=(-r 44100 -b 16)
    case $cond in
    clean-21600) cp "$in" "$out" ;;
    clean-44100) sx "$in" "${cd[@]}" "$out" ;;
    clean-48000) sx "$in" -r 48000 -b 16 "$out" ;;
    level-24) sx "$in" "${cd[@]}" "$out" vol -24dB ;;
    level-30) sx "$in" "${cd[@]}" "$out" vol -30dB ;;
    snr*)
        local snr=${cond#snr} quiet="$work/quiet.wav" noise="$work/noise.wav"
        sx "$in" "${cd[@]}" "$quiet" vol 0.25
        local length rms_s rms_n
        length=$(soxi -D "$quiet")
        sx -n -r 44100 -b 16 -c 1 "$noise" synth "$length" whitenoise vol 0.5
        rms_s=$(signal_rms "$quiet")
        rms_n=$(signal_rms "$noise")
        local factor
        factor=$(python3 -c "print($rms_s / $rms_n / 10 ** ($snr / 20))")
        sx -m -v 1 "$quiet" -v "$factor" "$noise" "${cd[@]}" "$out"
        ;;
    speed+*) sx "$in" "${cd[@]}" "$out" speed "1.0${cond#speed+}" ;;
    speed-*) sx "$in" "${cd[@]}" "$out" speed "0.9$((10 - ${cond#speed-}))" ;;
    highpass-300) sx "$in" "${cd[@]}" "$out" highpass 300 ;;
    lowpass-2000) sx "$in" "${cd[@]}" "$out" lowpass 2000 ;;
    inverted) sx "$in" "${cd[@]}" "$out" vol -1 ;;
    clipped+12) sox_clipping "$in" "${cd[@]}" "$out" vol 12dB ;;
    dc-offset) sox_clipping "$in" "${cd[@]}" "$out" vol 0.6 dcshift 0.35 ;;
    stereo-left) sx "$in" "${cd[@]}" -c 2 "$out" remix 1 0 ;;
    stereo-right) sx "$in" "${cd[@]}" -c 2 "$out" remix 0 1 ;;
    esac
}

conditions=(clean-21600 clean-44100 clean-48000 level-24 level-30 snr30 snr20 snr12 snr6 snr0
    snr-6 speed+1 speed-1 speed+3 speed-3 speed+5 speed-5 highpass-300 lowpass-2000 inverted
    clipped+12 dc-offset stereo-left stereo-right)

# Share of the expected bytes found in order in the output: "exact" or a percentage.
score() { # expected got
    python3 - "$1" "$2" <<'PY'
import difflib, sys
want = open(sys.argv[1], 'rb').read()
got = open(sys.argv[2], 'rb').read() if len(sys.argv) > 2 else b''
if got == want:
    print('exact')
else:
    m = difflib.SequenceMatcher(None, want, got, autojunk=False)
    print('%.1f' % (100.0 * sum(b.size for b in m.get_matching_blocks()) / len(want)))
PY
}

decode_all() { # wav condition baud expected
    local wav=$1 cond=$2 baud=$3 expected=$4 rate="" channel=""
    [ "$baud" = 600 ] && rate=-R1
    [ "$cond" = stereo-right ] && channel=-C2
    rm -f "$work/q.txt" "$work/r.txt" "$work/m.txt"
    "$qirvex" -F $rate $channel "$wav" "$work/q.txt" >/dev/null 2>&1 || true
    minimodem --rx -q -M 2400 -S 1200 -f "$wav" "$baud" >"$work/m.txt" 2>/dev/null || true
    "$rescue" -f -b "$baud" "$wav" "$work/r.txt" 2>/dev/null || true
    touch "$work/q.txt" "$work/r.txt"
    printf '%-14s %8s %10s %8s\n' "$cond" "$(score "$expected" "$work/q.txt")" \
        "$(score "$expected" "$work/m.txt")" "$(score "$expected" "$work/r.txt")"
}

make_corpora
for baud in "${bauds[@]}"; do
    for corpus in basic.txt random.bin; do
        echo "== $baud baud, $corpus, audio from $source_tool"
        printf '%-14s %8s %10s %8s\n' condition qirvex minimodem rescue
        make_source "$work/$corpus" "$baud" "$work/source.wav"
        for cond in "${conditions[@]}"; do
            degrade "$work/source.wav" "$cond" "$work/degraded.wav"
            decode_all "$work/degraded.wav" "$cond" "$baud" "$work/$corpus"
        done
    done
done
