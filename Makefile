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

# Where "make install" puts the program; DESTDIR stages it elsewhere.
PREFIX     ?= /usr/local

.PHONY: all deps build run test test-asan bench fuzz clean format format-check install package
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

# The program, its manual page, icon, desktop entry, file types, examples
# and README under PREFIX. Installing for the system refreshes the desktop's
# caches, so that data files open in Varnel at once.
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)
	@if [ -z "$(DESTDIR)" ]; then \
	  command -v update-mime-database >/dev/null && update-mime-database $(PREFIX)/share/mime || true; \
	  command -v update-desktop-database >/dev/null && update-desktop-database -q $(PREFIX)/share/applications || true; \
	fi

# A Debian package of the same files (prefix /usr) in $(BUILD)/: install it
# with "apt install ./$(BUILD)/varnel_*.deb".
package: build
	@cd $(BUILD) && cpack --config CPackConfig.cmake
	@ls $(BUILD)/varnel_*.deb

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
	@echo "== numpy reference for bench_wizard"; /usr/bin/python3 bench/numpy_univariants.py
	@echo "== matplotlib reference for bench_plot and varnel plot"; /usr/bin/python3 bench/matplotlib_ternary.py $(BENCH_BUILD)/varnel

# The data-file reader, the settings-file reader, the number reader and the
# readers of text tables and workbooks under
# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, each for
# FUZZ_SECONDS. The libraries are built with coverage instrumentation, so
# the fuzzer sees the code it drives; fuzz/seeds holds the starting inputs.
FUZZ_TARGETS ?= datafile_fuzz settings_fuzz numberread_fuzz formula_fuzz tabletext_fuzz workbook_fuzz
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DVARNEL_FUZZ=ON -DVARNEL_TESTS=OFF \
	  -DVARNEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@set -e; for t in $(FUZZ_TARGETS); do \
	  case $$t in datafile_fuzz) seeds=fuzz/seeds; len=65536;; settings_fuzz) seeds=fuzz/seeds/settings; len=8192;; \
	    formula_fuzz) seeds=fuzz/seeds/formulas; len=1024;; \
	    tabletext_fuzz) seeds=fuzz/seeds/tables; len=65536;; workbook_fuzz) seeds=fuzz/seeds/workbooks; len=65536;; \
	    *) seeds=fuzz/seeds/numbers; len=256;; esac; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; echo "== $$t"; \
	  QT_QPA_PLATFORM=offscreen $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=$$len \
	    $(FUZZ_BUILD)/corpus/$$t $$seeds; \
	done

# The layout of every source file, by the project's .clang-format.
SOURCES = $(shell git ls-files '*.cpp' '*.h')
format:
	@clang-format -i $(SOURCES)
format-check:
	@clang-format --dry-run --Werror $(SOURCES) && echo "format-check: every file is formatted"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
