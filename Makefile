# Thin wrapper around CMake: every rule only names the commands.
WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all asan test demo fuzz valgrind clean

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

# Every fuzz harness in turn, FUZZ_SECONDS each (default 300); needs clang.
fuzz:
	FUZZ_SECONDS=$(or $(FUZZ_SECONDS),300) bash scripts/fuzz.sh

# The whole test suite once under valgrind memcheck.
valgrind: all
	bash scripts/valgrind.sh

clean:
	rm -rf build build-asan
