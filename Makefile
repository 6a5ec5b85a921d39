# The two commands of the README, and the rest of the developer's tools.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_GUI  ?= ON
# CI builds with warnings as errors (WERROR=ON).
WERROR     ?= OFF

.PHONY: all deps build run test test-asan bench fuzz clean format format-check
SAMPLE     ?= examples/peridotite.vnp

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DVARNEL_GUI=$(CMAKE_GUI) -DVARNEL_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Starts the program on a bundled sample file.
run: build
	@./$(BUILD)/varnel $(SAMPLE)

test: build test-asan
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@echo "ASan/UBSan build:"
	@cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# Every test once more under AddressSanitizer and UndefinedBehaviorSanitizer
# (windows on the offscreen platform; leaks are not checked, as the toolkit
# keeps some of its own allocations for the life of the process).
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DVARNEL_GUI=ON -DVARNEL_SANITIZE=ON -DVARNEL_WERROR=$(WERROR) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DVARNEL_BENCH=ON -DVARNEL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/bench_*; do [ -f $$b ] && [ -x $$b ] || continue; echo "== $$b"; QT_QPA_PLATFORM=offscreen $$b --benchmark_min_time=0.3 --benchmark_report_aggregates_only=true; done

# The data-file reader under libFuzzer with AddressSanitizer, for a minute.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DVARNEL_FUZZ=ON -DVARNEL_TESTS=OFF \
	  -DVARNEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target datafile_fuzz
	@mkdir -p $(FUZZ_BUILD)/corpus
	@QT_QPA_PLATFORM=offscreen $(FUZZ_BUILD)/fuzz/datafile_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	  $(FUZZ_BUILD)/corpus fuzz/seeds

# The layout of every source file, by the project's .clang-format.
SOURCES = $(shell git ls-files '*.cpp' '*.h')
format:
	@clang-format -i $(SOURCES)
format-check:
	@clang-format --dry-run --Werror $(SOURCES) && echo "format-check: every file is formatted"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
