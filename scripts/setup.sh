#!/usr/bin/env bash
# Installs the Debian packages that a job needs and the machine lacks, so that `make demo` and
# `make test` work on a fresh machine, and CI installs from the same list. Each argument names a
# group:
#
#   build    compiler, CMake, GoogleTest, libsndfile (qirvex-rescue's input)
#   tools    sox, lame, oggenc and minimodem, the real audio tools the tests run against; srecord
#            and cc65, the program file tools qirvex-program's tests run against
#   fuzz     clang and its fuzzer runtime
#   web      Emscripten, Debian's Chromium and npm, for the page and its tests
#   windows  MinGW-w64, Wine, zip and groff, for the Windows build and its tests; stb_vorbis
#            (libstb-dev), which qirvex-rescue.exe reads Ogg Vorbis with, and sndfile-convert
#            (sndfile-programs), which writes the RF64, ALAC and Opus files its tests read
#   sound    PulseAudio, the sound server whose null sink the live sound tests play and capture
#   bench    Google Benchmark, for the microbenchmarks
#   ber      numpy and matplotlib for /usr/bin/python3
#
# Without root (and so without apt-get), it names what is missing and leaves the rest to the
# build: a missing compiler or library then stops it with its own message, a missing tool only
# skips the tests that need it.
set -euo pipefail

missing=()
# Wine and the cross compiler bring a desktop's worth of recommendations otherwise.
missing_bare=()
need_command() { command -v "$1" >/dev/null || missing+=("$2"); }
need_package() { dpkg -s "$1" >/dev/null 2>&1 || missing+=("$1"); }

for group in "$@"; do
    case "$group" in
    build)
        need_command cmake cmake
        need_command g++ g++
        need_command make make
        need_command pkg-config pkg-config
        need_package libgtest-dev
        need_package libsndfile1-dev
        ;;
    tools)
        need_command sox sox
        # sox reads MP3 only with this handler; the robustness matrix prepares MP3 files with it.
        need_package libsox-fmt-mp3
        need_command lame lame
        need_command oggenc vorbis-tools
        need_command minimodem minimodem
        need_command srec_cat srecord
        need_command cl65 cc65
        ;;
    fuzz)
        need_command clang++ clang
        need_package libclang-rt-14-dev
        ;;
    web)
        need_command emcc emscripten
        need_command chromium chromium
        need_command npm npm
        ;;
    windows)
        command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
            missing_bare+=(g++-mingw-w64-x86-64-posix)
        [ -x /usr/lib/wine/wine64 ] || missing_bare+=(wine64)
        command -v zip >/dev/null || missing_bare+=(zip)
        command -v groff >/dev/null || missing_bare+=(groff-base)
        dpkg -s libstb-dev >/dev/null 2>&1 || missing_bare+=(libstb-dev)
        command -v sndfile-convert >/dev/null || missing_bare+=(sndfile-programs)
        ;;
    sound)
        # The daemon alone: its recommendations would bring a desktop's sound stack.
        command -v pulseaudio >/dev/null || missing_bare+=(pulseaudio)
        ;;
    bench)
        need_package libbenchmark-dev
        ;;
    ber)
        /usr/bin/python3 -c "import numpy, matplotlib" 2>/dev/null ||
            missing+=(python3-numpy python3-matplotlib)
        ;;
    *)
        echo "setup: unknown group '$group'" >&2
        exit 2
        ;;
    esac
done

all=("${missing[@]}" "${missing_bare[@]}")
[ ${#all[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "setup: missing ${all[*]}; install them (apt-get install ${all[*]}) as root" >&2
    exit 0
fi
echo "setup: installing ${all[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
[ ${#missing[@]} -eq 0 ] || apt-get install -y -q "${missing[@]}" >/dev/null
[ ${#missing_bare[@]} -eq 0 ] ||
    apt-get install -y -q --no-install-recommends "${missing_bare[@]}" >/dev/null
