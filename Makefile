# Front door for people: `make run` converts the bundled sample, `make test`
# builds and runs every test. Both install missing build dependencies first.

BUILD ?= build
JOBS ?= 2
DEPS := libgtest-dev libbenchmark-dev
SCRATCH := scratch

.PHONY: all build run test bench deps asan clean

all: build

deps:
	@tools/ensure-deps $(DEPS)

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Converts a scratch copy of examples/Script.c (the sample itself stays as it
# is): types its name at the prompt and a key at the end, then shows the result.
run: build
	@rm -rf $(SCRATCH) && mkdir -p $(SCRATCH) && cp examples/Script.c $(SCRATCH)/Script.c
	@cd $(SCRATCH) && { printf 'Script.c\n\n' | ../$(BUILD)/Q9ToQ9strict; echo "(exit status $$?)"; }
	@echo "---- $(SCRATCH)/Script.c after the conversion ----"
	@cat $(SCRATCH)/Script.c

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD)/q9_bench

# The test suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQ9_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-asan $(SCRATCH)
