BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: run serve test deps build bench clean test-asan test-corpus fuzz format format-check

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-example.sh $(BUILD)

# The page in a browser: open the address it prints; Ctrl-C stops it.
serve: build
	$(BUILD)/app/kivano serve $(SERVE_ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/kivano_bench
	@# Simplification, and the sheets of the bunny and the peer's spheres where at hand.
	bench/simplify_bench.sh $(BUILD) $(wildcard ../shared/models)
	@# The page on the peer's dense sphere, where the sample models are at hand.
	@if [ -f ../shared/models/jittered_sphere.py ]; then \
	  python3 ../shared/models/jittered_sphere.py 6 $(BUILD)/sphere-81920.obj && \
	  node web/measure_big.mjs $(BUILD)/app/kivano $(BUILD)/sphere-81920.obj; fi

clean:
	rm -rf $(BUILD)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer; any
# report fails the test that caused it. Leaks inside libpython are Python's own;
# full malloc stacks let a suppression see the library a leak comes from.
ASAN_BUILD ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:fast_unwind_on_malloc=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVANO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# Every file of Debian's assimp-testmodels unfolded, each within 60 s and
# 1 GiB: no crash, no time-out, a sheet or one error line.
test-corpus: build
	scripts/test-corpus.sh $(BUILD)/app/kivano

# Each libFuzzer target for FUZZ_SECONDS from its seed corpus (clang only).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# The sanitizer runtime as a shared library, so the plug-in (linked with
# --no-undefined) and the host library resolve it like the executable does.
FUZZ_RUNTIME_DIR = $(shell clang++ -print-runtime-dir)

fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=None -DKIVANO_FUZZ=ON -DKIVANO_SANITIZE=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		"-DCMAKE_CXX_FLAGS=-O1 -gline-tables-only -fsanitize=fuzzer-no-link" \
		"-DCMAKE_SHARED_LINKER_FLAGS=-shared-libsan" \
		"-DCMAKE_EXE_LINKER_FLAGS=-shared-libsan -Wl,-rpath,$(FUZZ_RUNTIME_DIR)"
	cmake --build $(FUZZ_BUILD) --target kivano_fuzzers -j $(JOBS)
	$(SANITIZER_ENV) fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# One code style for the whole tree, as .clang-format sets it.
SOURCES = git ls-files '*.cpp' '*.h'
CLANG_FORMAT ?= clang-format

format: deps
	$(SOURCES) | xargs $(CLANG_FORMAT) -i

format-check: deps
	$(SOURCES) | xargs $(CLANG_FORMAT) --dry-run --Werror
