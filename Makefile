# The two commands of the README:
#   make run   installs what is missing, builds and starts the program
#   make test  installs what is missing, builds and runs every test
# and the Debian package:
#   make package  builds $(BUILD)/tessaline_<version>_<arch>.deb
# and the hardening checks that CI runs too:
#   make sanitize          every test built with AddressSanitizer and UBSan (build-sanitize)
#   make fuzz [FUZZ_SECONDS=60] each libFuzzer harness for that long (build-fuzz)
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: deps build run test package sanitize fuzz bench clean

deps:
	@scripts/deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tessaline

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package

sanitize:
	scripts/sanitize.sh

FUZZ_SECONDS ?= 60
fuzz:
	scripts/fuzz.sh $(FUZZ_SECONDS)

bench: build
	@scripts/deps.sh --bench
	bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
