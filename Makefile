# Zentovia: `make run` builds and starts the program, `make test` runs every test.
BUILD ?= build
GENERATOR ?= Ninja
BUILD_TYPE ?= RelWithDebInfo
# Warnings are errors in continuous integration.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps configure build run test bench clean format

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

test: build
	ctest --test-dir $(BUILD) --output-on-failure

# Each benchmark prints its figures beside the floor it is measured against.
bench: build
	@for b in $(BUILD)/bin/bench-*; do [ -x "$$b" ] || continue; echo "== $$b"; "$$b" || exit 1; done

clean:
	rm -rf $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i
