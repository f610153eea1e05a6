# Thin wrappers over the CMake presets.
#   make run    build the optimised engine and start it
#   make test   build with assertions and run every test
#   make EXE=name   build an optimised binary called name (for distributed testing)

EXE ?=

.PHONY: all run test build deps asan tsan clean

ifneq ($(EXE),)
all:
	cmake --preset release >/dev/null
	cmake --build --preset release
	cp build/release/quillon $(EXE)
else
all: build
endif

deps:
	@./tools/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release

run: build
	./build/release/quillon

test: deps
	cmake --preset test
	cmake --build --preset test
	ctest --preset test

asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

clean:
	rm -rf build
