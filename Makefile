# The two commands of the README. Everything else is CMake (presets "windows" and "host").
JOBS ?= $(shell nproc)

.PHONY: run test deps windows host test-windows test-host fuzz bench clean

run: deps windows
	scripts/run-demo.sh build/windows

test: deps windows host
	ctest --preset host -j $(JOBS)
	ctest --preset windows -j $(JOBS)
	scripts/run-fuzzers.sh build/host 5

deps:
	scripts/install-deps.sh

windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

host:
	cmake --preset host >/dev/null
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
