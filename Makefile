# Barvello: the two user commands are `make run` and `make test`.
PRESET ?= default
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test deps configure build asan clean samples

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Starts the desktop program; on a machine without a display it says so and writes a
# few sample images with the CLI instead.
run: build
	@bash scripts/run.sh $(BUILD_DIR)

# The printing test prints through a local CUPS queue: the packages, the scheduler and the
# queue are set up first where they can be (scripts/setup-printing.sh says why not).
test: build
	@bash scripts/install-deps.sh --printing
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

asan:
	@$(MAKE) test PRESET=asan

samples: build
	@bash scripts/run.sh $(BUILD_DIR) --samples

clean:
	rm -rf build

# Runs every fuzz target for FUZZ_SECONDS each (clang, libFuzzer, ASan, UBSan); fails
# on any crash, leak, timeout or sanitizer report. See tests/fuzz/README.md.
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz:
	@bash scripts/install-deps.sh --fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j $(JOBS) --target fuzz_encode fuzz_ini fuzz_set fuzz_cli_ini
	@bash tests/fuzz/run.sh build/fuzz $(FUZZ_SECONDS) fuzz_encode fuzz_ini fuzz_set fuzz_cli_ini

# Benchmarks (Google Benchmark) in a Release build of their own: encoding alone, then
# painting, PNG and the preview, then the cost of reading symbols back (--verify). bench/compare-peers.sh runs the same workloads through
# zint beside barvello-cli; the figures are in bench/RESULTS.md.
.PHONY: bench
bench: deps
	@cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBARVELLO_BUILD_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS) --target barvello_encode_bench bench_inputs barvello-cli
	@build/bench/bench/barvello_encode_bench
	@if ninja -C build/bench -t targets all | grep -q '^barvello_image_bench:'; then \
	  cmake --build build/bench -j $(JOBS) --target barvello_image_bench barvello_verify_bench && \
	  QT_QPA_PLATFORM=offscreen build/bench/bench/barvello_image_bench && \
	  QT_QPA_PLATFORM=offscreen build/bench/bench/barvello_verify_bench; fi

# The whole suite under ThreadSanitizer (the tsan preset).
.PHONY: tsan
tsan:
	@$(MAKE) test PRESET=tsan
