# Zentovia: `make run` builds and starts the program, `make test` runs every test.
BUILD ?= build
GENERATOR ?= Ninja
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors in continuous integration.
WERROR := $(if $(CI),ON,OFF)
# Tests run side by side, one for each core.
TEST_JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test test-sanitized test-fuzz fuzz bench check-package clean format

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DZENTOVIA_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	$(BUILD)/bin/zentovia

# First the usual build and every test; then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer; then a short run of each fuzz
# target.
test: build
	ctest --test-dir $(BUILD) --output-on-failure --parallel $(TEST_JOBS)
	@$(MAKE) --no-print-directory test-sanitized test-fuzz

# The sanitized build leaves out the tests that need a real X server (and the
# screen reader's) or a real sound server.
ASAN_BUILD ?= build-asan
SANITIZE_SKIP ?= test_endtoend_.*|test_screenreader|test_voiceplayback
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0

test-sanitized: deps
	@cmake -S . -B $(ASAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DZENTOVIA_WERROR=$(WERROR) -DZENTOVIA_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD)
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure --parallel $(TEST_JOBS) -E '^($(SANITIZE_SKIP))$$'

# libFuzzer targets, built by clang in their own folder. `make test` runs each
# briefly; `make fuzz` runs each for FUZZ_SECONDS. New inputs go to the build
# folder; the seeds in tests/fuzz/corpus/ stay as committed.
FUZZ_BUILD ?= build-fuzz
FUZZERS = numlett leadingnumber leggifiletxt
FUZZ_SECONDS ?= 300
FUZZ_SHORT = -runs=20000 -max_total_time=15

define run-fuzzers
	@cmake -S . -B $(FUZZ_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DCMAKE_CXX_COMPILER=clang++ -DBUILD_TESTING=OFF -DZENTOVIA_WERROR=$(WERROR) \
		-DZENTOVIA_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzzers
	@for f in $(FUZZERS); do \
		echo "== fuzz_$$f"; mkdir -p $(FUZZ_BUILD)/corpus/$$f; \
		if ! $(FUZZ_BUILD)/bin/fuzz_$$f $(1) -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_BUILD)/crash-$$f- \
			$(FUZZ_BUILD)/corpus/$$f tests/fuzz/corpus/$$f >$(FUZZ_BUILD)/fuzz_$$f.log 2>&1; then \
			tail -n 40 $(FUZZ_BUILD)/fuzz_$$f.log; exit 1; \
		fi; \
		grep -E '^(Done|stat::number_of_executed_units)' $(FUZZ_BUILD)/fuzz_$$f.log; \
	done
endef

test-fuzz: deps
	$(call run-fuzzers,$(FUZZ_SHORT))

fuzz: deps
	$(call run-fuzzers,-max_total_time=$(FUZZ_SECONDS))

# Each benchmark prints its figures beside the floor it is measured against.
bench: build
	@for b in $(BUILD)/bin/bench-*; do [ -x "$$b" ] || continue; echo "== $$b"; "$$b" || exit 1; done

# The Debian package: lintian, then installed with apt on a fresh minimal
# Debian 12 root and tried there (scripts/check-package says what).
check-package: build
	@BUILD=$(BUILD) scripts/check-package

clean:
	rm -rf $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i
