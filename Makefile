# Quick start: `make run` builds the solver and runs it on the example deck; `make test` runs the tests.
# Every target first installs the Debian packages it needs that are missing: tools/need-packages
# runs apt-get install -y for them as root (through sudo -n otherwise).

# The Python the package is built, tested and installed for; another one needs pybind11,
# NumPy, Matplotlib, pytest and distributed of its own.
PYTHON ?= /usr/bin/python3
BUILD_DIR := build
SANITIZE_DIR := build-sanitize
FUZZ_DIR := build-fuzz
FUZZ_SECONDS := 180
PACKAGES := g++ cmake make libgtest-dev libopenblas-dev libhmat-oss-dev pybind11-dev python3-dev python3-numpy \
  python3-pytest python3-matplotlib python3-distributed python3-venv python3-pip python3-setuptools python3-wheel ngspice
CLANG_PACKAGES := $(PACKAGES) clang libclang-rt-14-dev
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
CONFIG := -DCMAKE_BUILD_TYPE=Release -DPython_EXECUTABLE=$(PYTHON)
CLANG_CONFIG := $(CONFIG) -DCMAKE_CXX_COMPILER=clang++
# Sources that `make format` rewrites in place with clang-format and .clang-format.
FORMAT_FILES = $(shell find src include tests bench fuzz -name '*.cpp' -o -name '*.h') python/_xsrl.cpp

.PHONY: all build run test docs test-sanitize fuzz bench format clean

all: build

build:
	@tools/need-packages $(PACKAGES)
	@cmake -S . -B $(BUILD_DIR) $(CONFIG) >/dev/null
	@cmake --build $(BUILD_DIR) -j2

run: build
	@mkdir -p run
	cd run && ../$(BUILD_DIR)/xsrl ../examples/two-strips-over-plate.deck w; status=$$?; \
	  if [ -f Zs ]; then cat Zs; fi; exit $$status

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

# The pictures of the README: cross-section and curves of three example decks, and the design
# sweep of examples/design_sweep.py, drawn with the Python package of the build.
DOCS_DECKS := microstrip-fr4 stripline-differential-pair two-strips-over-plate
docs: build
	@mkdir -p docs
	for deck in $(DOCS_DECKS); do \
	  PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) -m xsrl.view examples/$$deck.deck -o docs/$$deck-view.png && \
	  PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) -m xsrl.plot examples/$$deck.deck -o docs/$$deck-plot.png || exit 1; \
	done
	PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) examples/design_sweep.py -o docs/design-sweep.png 2>/dev/null

# Library, program and tests built with clang++ and the address and undefined-behaviour
# sanitizers; then the whole test suite and every example deck.
test-sanitize:
	@tools/need-packages $(CLANG_PACKAGES)
	@cmake -S . -B $(SANITIZE_DIR) $(CLANG_CONFIG) -DXSRL_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j2
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j2
	$(SANITIZER_ENV) tools/run-examples $(SANITIZE_DIR)/xsrl

# One libFuzzer process for FUZZ_SECONDS, run in $(FUZZ_DIR) (where the pipeline writes its
# scratch file), on a copy there of the seeds (examples/*.deck and fuzz/corpus/); what it
# finds goes to $(FUZZ_DIR)/findings/.
fuzz:
	@tools/need-packages $(CLANG_PACKAGES)
	@cmake -S . -B $(FUZZ_DIR) $(CLANG_CONFIG) -DXSRL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) --target xsrl_fuzz -j2
	@mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/findings
	@cp examples/*.deck fuzz/corpus/* $(FUZZ_DIR)/corpus/
	cd $(FUZZ_DIR) && $(SANITIZER_ENV) ./xsrl_fuzz corpus -dict=$(CURDIR)/fuzz/deck.dict \
	  -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -rss_limit_mb=4096 -timeout=25 \
	  -close_fd_mask=1 -print_final_stats=1 -artifact_prefix=findings/

bench:
	@tools/need-packages $(PACKAGES) libbenchmark-dev
	@cmake -S . -B $(BUILD_DIR) $(CONFIG) >/dev/null
	@cmake --build $(BUILD_DIR) --target xsrl xsrl_bench deck_runs capacitance_runs -j2
	$(BUILD_DIR)/xsrl_bench
	$(BUILD_DIR)/deck_runs $(BUILD_DIR)/xsrl bench/bus-500.deck bench/bus-1000.deck bench/bus-2000.deck
	$(BUILD_DIR)/capacitance_runs bench/fr4-bus-10.deck bench/fr4-bus-20.deck bench/fr4-bus-40.deck \
	  bench/fr4-bus-40-lossless.deck bench/fr4-bus-100.deck

# Rewrites the C++ sources in the style of .clang-format; not part of the build.
format:
	@tools/need-packages clang-format
	clang-format -i $(FORMAT_FILES)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) run
