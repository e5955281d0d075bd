# Front door: `make run` and `make test` work on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test test-sanitize stress-test fuzz run bench bench-quality clean format install package

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The suite while stress-ng keeps two CPUs busy, ROUNDS rounds in a row (5):
# ctest and each test binary run whole. Not part of CI.
stress-test: build
	@ROUNDS="$(ROUNDS)" scripts/stress-test $(BUILD)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a
# build folder of its own; -O1 keeps the seeded runs quick enough.
SANITIZE_BUILD ?= build-sanitize
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
		-DVORN_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
		UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (clang) for the data-file reader, the number texts and
# the program-file reader, SECONDS each, starting from the seed corpus in
# fuzz/corpus.
FUZZ_BUILD ?= build-fuzz
SECONDS ?= 60
fuzz: deps
	@cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@fuzz/run-fuzz $(FUZZ_BUILD) $(SECONDS)

run: build
	@scripts/run-main

# The programs, data, man pages, bash completion and desktop files under
# PREFIX, or under DESTDIR/PREFIX when DESTDIR is given.
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian packages vorn_<version>_amd64.deb and, with the Python module,
# python3-vorn_<version>_amd64.deb, made in this folder.
package: build
	@rm -rf $(BUILD)/package
	@cd $(BUILD) && cpack -G DEB -B "$(abspath $(BUILD))/package" >/dev/null
	@cp $(BUILD)/package/*.deb .
	@cd $(BUILD)/package && ls *.deb

bench: build
	@if [ -x $(BUILD)/bench/vorn-bench ]; then $(BUILD)/bench/vorn-bench; else echo "no benchmarks yet"; fi

# Test error and program size of the runner's settings against scikit-learn's
# classifiers on a dozen problems in the plane (a few minutes on 2 cores);
# QUICK=1 runs 3 problems with 2 seeds.
# Debian's own Python, where there is one: that is where python3-sklearn goes.
PYTHON3 ?= $(firstword $(wildcard /usr/bin/python3) python3)
bench-quality: configure
	@scripts/install-deps --bench
	@cmake --build $(BUILD) -j $(JOBS) --target vorn-run
	@$(PYTHON3) bench/quality/bench_quality.py --runner $(BUILD)/cli/vorn-run \
		--out $(BUILD)/bench-quality $(if $(QUICK),--quick)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
