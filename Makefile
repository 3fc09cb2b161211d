# The two commands of the README. Everything else is CMake (presets "windows" and "host").
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: run test deps windows host test-windows test-host fuzz bench clean

run: deps windows
	scripts/run-demo.sh build/windows

test: deps windows host
	ctest --preset host -j $(JOBS)
	ctest --preset windows -j $(JOBS)
	scripts/run-fuzzers.sh build/host 5

deps:
	scripts/install-deps.sh

# Configure output is shown only when configuring fails.
windows:
	@log=$$(cmake --preset windows 2>&1) || { echo "$$log"; exit 1; }
	cmake --build --preset windows -j $(JOBS)

host:
	@log=$$(cmake --preset host 2>&1) || { echo "$$log"; exit 1; }
	cmake --build --preset host -j $(JOBS)

test-windows: windows
	ctest --preset windows -j $(JOBS)

test-host: host
	ctest --preset host -j $(JOBS)

fuzz: host
	scripts/run-fuzzers.sh build/host 60

bench: host windows
	scripts/run-benchmarks.sh

clean:
	rm -rf build
