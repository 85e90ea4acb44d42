# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run asan fuzz bench gallery package lint-packages clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# Starts the community server with demo data and the client pointed at it.
run: build
	@scripts/run-demo $(BUILD)

# Same tests under AddressSanitizer + UBSan, in their own build tree.
asan:
	@$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DJASERELLE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DJASERELLE_BUILD_BENCH=OFF"

# Long-running targets, kept out of `make test`.
fuzz:
	@scripts/run-fuzz

bench: build
	@scripts/run-bench $(BUILD)

# Every picture of the client at 1x and 2x on one sheet: build/gallery.png
gallery: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/gallery $(BUILD)/gallery.png
	@echo "wrote $(BUILD)/gallery.png"

# The Debian packages jaserelle and jaserelle-server, in $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

# Both packages, checked by lintian as an administrator would (scripts/lint-packages).
lint-packages: build
	@scripts/lint-packages $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
