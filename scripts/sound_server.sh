#!/usr/bin/env bash
# Starts a PulseAudio server with a null sink named qirvex_test, for the live sound tests
# (tests/sound/sound_live_test.cpp): qirvex-play plays into the sink, qirvex-rescue --capture
# records its monitor. Used by CI on a machine without a sound card; it works as root in a
# container, with no session bus and no XDG_RUNTIME_DIR. A server already running is left as it
# is (the tests skip when it has no such sink).
set -euo pipefail

if ! command -v pulseaudio >/dev/null; then
    echo "sound_server: no pulseaudio (apt-get install pulseaudio); the sound tests will skip" >&2
    exit 0
fi
if pulseaudio --check 2>/dev/null; then
    exit 0
fi
# -n: none of the default configuration (no hardware detection, no Dummy Output); the unix
# socket is all a client on this machine needs. Never idle out: the tests come minutes later.
pulseaudio -D -n --exit-idle-time=-1 --system=false \
    --load="module-null-sink sink_name=qirvex_test" \
    --load=module-native-protocol-unix 2>/dev/null
pulseaudio --check
echo "sound_server: PulseAudio runs with the null sink qirvex_test"
