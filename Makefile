# Thin wrapper around CMake: every rule only names the commands.
WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: all asan nosimd test demo bench capture-bench robustness side merge-table realtapes ber compare install \
        fuzz valgrind windows windows-test windows-dist web web-dist web-test clean

# Installs what a job needs and the machine lacks (Debian, as root); see scripts/setup.sh.
setup-%:
	bash scripts/setup.sh $*

all: setup-build
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQIRVEX_WERROR=$(WERROR)
	cmake --build build -j $(JOBS)

asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQIRVEX_SANITIZE=ON -DQIRVEX_WERROR=$(WERROR)
	cmake --build build-asan -j $(JOBS)

# The sample loops in their portable form, as on processors without SSE2 and in the browser.
nosimd:
	cmake -S . -B build-nosimd -DCMAKE_BUILD_TYPE=Release -DQIRVEX_SIMD=OFF -DQIRVEX_WERROR=$(WERROR)
	cmake --build build-nosimd -j $(JOBS)

# Every test on the release build, under AddressSanitizer and UBSan, and without vectors; each
# run ends with the reason of every test it skipped. The live sound tests run where a sound server
# has the null sink qirvex_test (scripts/sound_server.sh starts one, as .ci/run does).
test: setup-tools setup-sound all asan nosimd
	ctest --test-dir build --output-on-failure -j $(JOBS)
	@bash scripts/skipped_tests.sh build
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)
	@bash scripts/skipped_tests.sh build-asan
	ctest --test-dir build-nosimd --output-on-failure -j $(JOBS)
	@bash scripts/skipped_tests.sh build-nosimd

# Only the programs that the demo runs, not the tests and harnesses that `all` builds.
demo: setup-build
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQIRVEX_WERROR=$(WERROR)
	cmake --build build -j $(JOBS) --target qirvex qirvex-rescue qirvex-program qirvex-play
	bash scripts/demo.sh

# Timings against the read floor (reading the file once), cp, head and minimodem, qirvex-rescue
# from a pipe and its latency on a paced pipe, and the microbenchmarks; never part of the tests.
# BENCH_QUICK=1 times only the 10-minute files; BENCH_BEFORE=folder times that folder's
# qirvex-rescue and qirvex (an earlier build) beside this one.
bench: setup-bench setup-tools all
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQIRVEX_BENCH=ON
	cmake --build build-bench --target microbench read_floor -j $(JOBS)
	python3 scripts/bench.py

# The memory of qirvex-rescue --capture over a tape of CAPTURE_MINUTES played into the live
# tests' null sink and captured from its monitor, read every minute, and whether the bytes come
# back (scripts/capture_bench.py). Runs in real time; start scripts/sound_server.sh first.
CAPTURE_MINUTES ?= 3
capture-bench: setup-build setup-sound
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQIRVEX_WERROR=$(WERROR)
	cmake --build build -j $(JOBS) --target qirvex qirvex-rescue qirvex-play
	python3 scripts/capture_bench.py --minutes $(CAPTURE_MINUTES)

# Decodes a corpus degraded in 73 ways with qirvex, minimodem and qirvex-rescue, once on qirvex's
# own audio and once on minimodem's, then through 14 capture chains with minimodem and
# qirvex-rescue (also at 1200 baud on minimodem's audio), and prints the tables (needs sox,
# minimodem, oggenc and lame; takes about five minutes). ROBUSTNESS_SOURCE=qirvex or minimodem
# measures one source only.
ROBUSTNESS_SOURCE ?= both
robustness: setup-tools all
	python3 scripts/robustness.py --source $(ROBUSTNESS_SOURCE) build/qirvex

# A side of tape made up: ten programs (BASIC listings and 65V load texts, 300 and 600 baud, eight
# framings, one damaged by a burst of noise) between gaps of hiss and clicks, in build/side/side.wav
# with the truth of each beside it; then qirvex-rescue --split on it, every program's boundaries,
# rate, framing, kind and bytes compared with the truth (needs sox; takes about five seconds).
side: setup-tools all
	python3 scripts/tape_side.py --build-dir build

# Two copies of one recording damaged alike but independently (white noise from other seeds,
# dropouts and silences at other places), decoded by qirvex-rescue each alone and together with
# --merge, and as the two channels of one stereo file with --merge-channels; prints the table of
# bytes right and exact decodes that docs/robustness.md holds (needs sox; about two minutes).
merge-table: setup-tools all
	python3 scripts/merge_table.py build

# qirvex-rescue's and minimodem's bit error rate in white noise at Eb/N0 from 4 to 14 dB, beside
# the bounds of binary FSK, with the curves drawn into docs/ber.png: the worst and the mean of
# five noise seeds, which differ by up to a factor of five at one point. Needs Debian's
# python3-numpy and python3-matplotlib. 20000 bytes per seed, so that a rate of 1e-4 is 16 bit
# errors in one seed and 80 in five, take about five minutes on two cores (BER_BYTES to change).
BER_BYTES ?= 20000
ber: setup-ber all
	/usr/bin/python3 scripts/ber.py --bytes $(BER_BYTES) --seeds 5 --plot docs/ber.png build

# Decodes the recordings of real tapes in ../shared/realtapes with qirvex-rescue and minimodem
# and compares them with the bytes they hold (skipped when the folder is missing).
realtapes: setup-tools all
	python3 scripts/realtapes.py build/qirvex-rescue

# Runs an earlier build (BEFORE=a folder with its qirvex and qirvex-rescue) beside this one on
# every robustness recording and encoder option family, and lists each difference in bytes,
# console or status. RESCUE_COUNTS=1 compares qirvex-rescue's counts, not its wording.
compare: setup-tools all
	python3 scripts/compare_builds.py $(if $(RESCUE_COUNTS),--rescue-counts) $(BEFORE) build

install: all
	install -d $(DESTDIR)$(PREFIX)/bin $(DESTDIR)$(PREFIX)/share/man/man1
	install -m 755 build/qirvex $(DESTDIR)$(PREFIX)/bin/qirvex
	install -m 755 build/qirvex-rescue $(DESTDIR)$(PREFIX)/bin/qirvex-rescue
	install -m 755 build/qirvex-program $(DESTDIR)$(PREFIX)/bin/qirvex-program
	install -m 755 build/qirvex-play $(DESTDIR)$(PREFIX)/bin/qirvex-play
	install -m 644 qirvex.1 $(DESTDIR)$(PREFIX)/share/man/man1/qirvex.1
	install -m 644 qirvex-rescue.1 $(DESTDIR)$(PREFIX)/share/man/man1/qirvex-rescue.1
	install -m 644 qirvex-program.1 $(DESTDIR)$(PREFIX)/share/man/man1/qirvex-program.1
	install -m 644 qirvex-play.1 $(DESTDIR)$(PREFIX)/share/man/man1/qirvex-play.1

# Every fuzz harness in turn, FUZZ_SECONDS each (default 300); needs clang.
fuzz: setup-fuzz
	FUZZ_SECONDS=$(or $(FUZZ_SECONDS),300) bash scripts/fuzz.sh

# The whole test suite once under valgrind memcheck.
valgrind: all
	bash scripts/valgrind.sh

# qirvex.exe and qirvex-rescue.exe for 64-bit Windows, cross-compiled with MinGW-w64 into
# build-windows/ (needs g++-mingw-w64-x86-64-posix and libstb-dev). The unit tests are not
# cross-built: windows-test is their stand-in.
windows: setup-windows
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DQIRVEX_WERROR=$(WERROR)
	cmake --build build-windows -j $(JOBS)

# Runs qirvex.exe and qirvex-rescue.exe under Wine beside the Linux build on a table of cases and
# compares target files, console text and exit statuses (needs wine64, and sox, lame, oggenc and
# sndfile-convert for the recordings).
windows-test: all windows setup-tools
	python3 scripts/windows_test.py build build-windows

# The Windows release archive, build-windows/qirvex-windows-x64.zip (needs zip and groff), with
# the page as one file beside qirvex.exe.
windows-dist: windows web-dist
	bash scripts/windows_dist.sh

# The browser page, built to WebAssembly by Debian's Emscripten into build-web/page/ (its loader
# finds acorn only with NODE_PATH). Serve that folder with any static server.
EMSCRIPTEN_NODE_PATH = NODE_PATH=$${NODE_PATH:-/usr/share/nodejs}
web: setup-web
	$(EMSCRIPTEN_NODE_PATH) emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DQIRVEX_WERROR=$(WERROR)
	$(EMSCRIPTEN_NODE_PATH) cmake --build build-web -j $(JOBS)

# The page as one file, build-web/qirvex.html, that works opened from the disk, offline: the
# modules bundled into one inline module, the worker, the worklet and the WebAssembly inlined as
# data: URLs, the stylesheet inline, and a content security policy that allows only those.
web-dist: web
	python3 scripts/web_one_file.py build-web/page build-web/qirvex.html

# The page's tests in Debian's Chromium, headless, driven by playwright-core from npm (which never
# downloads a browser); they compare the page, served and as one file, with build/qirvex and
# build/qirvex-rescue.
web-test: all web-dist
	cd tests/web && npm ci --no-audit --no-fund --loglevel=error
	cd tests/web && node --test --test-concurrency=1

clean:
	rm -rf build build-asan build-nosimd build-bench build-fuzz build-windows build-web
