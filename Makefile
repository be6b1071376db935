# Two set-up commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)

.PHONY: all setup configure build run test test-asan bench fuzz clean

all: build

setup:
	@bash scripts/setup.sh

$(BUILD_DIR)/CMakeCache.txt: | setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: setup $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quillpress quillpress-convert

run: build
	$(BUILD_DIR)/bin/quillpress

test: configure
	@# The tests also cover the Word converter that works through LibreOffice.
	@QP_WITH_LIBREOFFICE=1 bash scripts/setup.sh
	cmake --build $(BUILD_DIR) -j $(JOBS)
	# Built, not run: a benchmark that stops compiling is caught here.
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} ctest --output-on-failure -j $(JOBS)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/. Any report fails the test that made it; leaks are checked,
# less the caches Qt and the system libraries keep for the process's life.
ASAN_DIR ?= build-asan
test-asan: setup
	@QP_WITH_LIBREOFFICE=1 bash scripts/setup.sh
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQP_SANITIZE=ON -DQP_BUILD_BENCH=OFF
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@for b in $(BUILD_DIR)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$b"; QT_QPA_PLATFORM=offscreen $$b || exit 1; \
	done

fuzz: setup
	bash fuzz/run.sh

clean:
	rm -rf $(BUILD_DIR)
