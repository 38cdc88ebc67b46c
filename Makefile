# Quick start: `make run` builds the solver and runs it on the example deck; `make test` runs the tests.
BUILD_DIR := build
PACKAGES := g++ cmake make libgtest-dev
INSTALL_HINT := apt-get install $(PACKAGES)

.PHONY: all build run test bench clean deps

all: build

deps:
	@for tool in g++ cmake; do \
	  command -v $$tool >/dev/null 2>&1 || { echo "$$tool is missing: run '$(INSTALL_HINT)'"; exit 1; }; \
	done
	@test -f /usr/include/gtest/gtest.h || { echo "GoogleTest is missing: run '$(INSTALL_HINT)'"; exit 1; }

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR) -j2

run: build
	@mkdir -p run
	cd run && ../$(BUILD_DIR)/xsrl ../examples/two-strips-over-plate.deck w; status=$$?; \
	  if [ -f Zs ]; then cat Zs; fi; exit $$status

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

bench: build
	@test -f /usr/include/benchmark/benchmark.h || { echo "Google Benchmark is missing: run 'apt-get install libbenchmark-dev'"; exit 1; }
	@cmake -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) --target xsrl_bench -j2
	$(BUILD_DIR)/xsrl_bench

clean:
	rm -rf $(BUILD_DIR) run
