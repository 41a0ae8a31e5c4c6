# Thin wrapper around CMake: every rule only names the commands.
WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all asan test demo bench clean

all:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQIRVEX_WERROR=$(WERROR)
	cmake --build build -j $(JOBS)

asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQIRVEX_SANITIZE=ON -DQIRVEX_WERROR=$(WERROR)
	cmake --build build-asan -j $(JOBS)

# Every test, once on the release build and once under AddressSanitizer and UBSan.
test: all asan
	ctest --test-dir build --output-on-failure -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

demo: all
	bash scripts/demo.sh

# Timings against cp, head and minimodem, and the microbenchmarks; never part of the tests.
# BENCH_QUICK=1 times only the 10-minute files.
bench: all
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQIRVEX_BENCH=ON
	cmake --build build-bench --target microbench -j $(JOBS)
	python3 scripts/bench.py

clean:
	rm -rf build build-asan build-bench
