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

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

asan:
	@$(MAKE) test PRESET=asan

samples: build
	@bash scripts/run.sh $(BUILD_DIR) --samples

clean:
	rm -rf build
