#!/usr/bin/env bash
# Runs the whole test suite once under valgrind memcheck: the unit tests, the program they start
# as a child process, and the replay of every fuzz seed and reproducer. Any memcheck error, or a
# definite leak, fails the run. sox, which some tests start, is not ours and is not traced.
set -euo pipefail
cd "$(dirname "$0")/.."

# 99, because the program's own success status is 1.
memcheck=(valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite
    --trace-children=yes --trace-children-skip='*sox*')

# The live sound tests play and capture in real time: under memcheck the programs fall behind
# the sound server, and the sound server's client library is not ours.
"${memcheck[@]}" build/unit_tests --gtest_brief=1 --gtest_filter='-SoundLive.*'
for harness in decode_fuzz append_fuzz options_fuzz classifier_fuzz; do
    "${memcheck[@]}" "build/fuzz/$harness" "fuzz/corpus/$harness" "fuzz/crashes/$harness" 2>&1 |
        tail -1
done
echo "valgrind memcheck: no errors"
