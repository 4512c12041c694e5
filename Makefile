# The two commands of the README:
#   make run   installs what is missing, builds and starts the program
#   make test  installs what is missing, builds and runs every test
# and the Debian package:
#   make package  builds $(BUILD)/tessaline_<version>_<arch>.deb
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: deps build run test package bench clean

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

bench: build
	@scripts/deps.sh --bench
	bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
