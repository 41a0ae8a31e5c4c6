#!/usr/bin/env bash
# ctest names a skipped test without the reason the test gave; its log holds the reason. Prints
# one line per skipped test of the last ctest run in the build folder given: the test and why.
set -euo pipefail
log="$1/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0
awk '/^\[ RUN      \] / { name = $4 }
     /: Skipped$/ { getline reason; print "skipped " name ": " reason }' "$log"
