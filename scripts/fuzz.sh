#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (build-fuzz) and runs each in turn, one process at a
# time, for FUZZ_SECONDS (default 300) or FUZZ_RUNS executions, whichever ends first. Prints
# executions and findings per harness; exits with 1 when any harness found something.
#
#   FUZZ_SECONDS=30 scripts/fuzz.sh                        # every harness, 30 s each
#   FUZZ_HARNESSES=decode_fuzz FUZZ_SECONDS=1800 scripts/fuzz.sh
#
# Each harness grows its working corpus in build-fuzz/corpus/<harness>, starting from the seeds
# in fuzz/corpus/<harness>. A finding is left in build-fuzz/findings/<harness>/; once fixed, its
# input belongs in fuzz/crashes/<harness>/, which every test run replays.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-300}"
runs="${FUZZ_RUNS:--1}"
harnesses="${FUZZ_HARNESSES:-options_fuzz classifier_fuzz append_fuzz decode_fuzz rescue_stream_fuzz
    rescue_file_fuzz program_65v_fuzz program_hex_fuzz program_srec_fuzz program_mos_fuzz
    program_listing_fuzz program_mend_fuzz device_choice_fuzz codec_sniff_fuzz rescue_lane_fuzz
    capture_merge_fuzz program_words_fuzz}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQIRVEX_FUZZ=ON \
    >/dev/null
cmake --build build-fuzz -j 2 >/dev/null

# Inputs of the decoding harnesses are whole recordings; a cap keeps each run short enough for
# millions of executions while still holding a calibrating leader and a few words (at 8000 Hz
# for qirvex-rescue). The rescue stream harness repeats its samples past the look-ahead itself.
max_len_of() {
    case "$1" in
        decode_fuzz | rescue_file_fuzz | rescue_lane_fuzz) echo 16384 ;;
        *) echo 4096 ;;
    esac
}

dictionary_of() {
    case "$1" in
        decode_fuzz | append_fuzz) echo fuzz/wav.dict ;;
        options_fuzz) echo fuzz/options.dict ;;
        classifier_fuzz) echo fuzz/classifier.dict ;;
        rescue_stream_fuzz | rescue_lane_fuzz) echo fuzz/rescue_stream.dict ;;
        rescue_file_fuzz) echo fuzz/audio.dict ;;
        program_*) echo fuzz/program.dict ;;
        device_choice_fuzz) echo fuzz/device_choice.dict ;;
        codec_sniff_fuzz) echo fuzz/codec.dict ;;
    esac
}

# The rescue harnesses' runs differ in cost by a hundred times (a few hundred samples, or the
# 4 s look-ahead and past it): libFuzzer is told to favour the cheaper ones, or it spends nearly
# all its time on the longest; and a run that takes minutes is a hang, not a slow input.
extra_flags_of() {
    case "$1" in
        rescue_stream_fuzz | rescue_file_fuzz) echo "-entropic_scale_per_exec_time=1 -timeout=300" ;;
    esac
}

# Where and on what the run happened, for the record in docs/reliability.md.
machine="$(uname -srm), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- |
    sed 's/^ *//')"
commit="$(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "== Fuzzing on $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit"
echo "   $machine"

total_findings=0
summary=""
for harness in $harnesses; do
    corpus="build-fuzz/corpus/$harness"
    findings="build-fuzz/findings/$harness"
    mkdir -p "$corpus" "$findings"
    rm -f "$findings"/*
    cp -n "fuzz/corpus/$harness"/* "$corpus"/ 2>/dev/null || true
    log="build-fuzz/$harness.log"
    # Standard output and error of the code under test are closed; libFuzzer keeps its own.
    # Known faults inside libsndfile are suppressed; see the files.
    # A harness without a dictionary runs without one: libFuzzer refuses an empty -dict.
    dictionary="$(dictionary_of "$harness")"
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=fuzz/libsndfile_asan.supp" \
    LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=fuzz/libsndfile_lsan.supp" \
        "build-fuzz/fuzz/$harness" "$corpus" -max_total_time="$seconds" -runs="$runs" \
        -max_len="$(max_len_of "$harness")" ${dictionary:+-dict="$dictionary"} \
        $(extra_flags_of "$harness") \
        -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$findings/" \
        >"$log" 2>&1 || true
    executions="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' ||
        true)"
    elapsed="$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | grep -o 'in [0-9]*' |
        grep -o '[0-9]*' || true)"
    found="$(find "$findings" -type f | wc -l)"
    # A harness that did not run at all is a failure too, not a clean run.
    if [ -z "$executions" ]; then
        echo "$harness did not run:"
        tail -5 "$log"
        found=$((found + 1))
    fi
    total_findings=$((total_findings + found))
    rate="$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)"
    line="$(printf '%-18s %12s executions in %6s s (%s/s), %d finding(s)' "$harness" \
        "${executions:-?}" "${elapsed:-?}" "${rate:-?}" "$found")"
    echo "$line"
    summary+="$line"$'\n'
    [ "$found" -eq 0 ] || { find "$findings" -type f; tail -40 "$log"; }
done
echo
echo "== Fuzzing summary"
printf '%s' "$summary"
[ "$total_findings" -eq 0 ]
