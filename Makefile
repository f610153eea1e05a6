# Thin wrappers over the CMake presets.
#   make run          build the optimised engine and start it
#   make test         build and run every test: the optimised suite, the suite
#                     under AddressSanitizer+UndefinedBehaviorSanitizer, the
#                     threaded tests under ThreadSanitizer, and a fuzz smoke run
#   make check        only the optimised suite (the quick loop while developing)
#   make EXE=name     build an optimised binary called name (distributed testing)
#   make windows      cross-build build/windows/quillon.exe with mingw-w64
#   make windows-test cross-build the optimised suite and run it under wine

EXE ?=
# Threaded search and protocol tests, run under ThreadSanitizer.
TSAN_TESTS = SearchTest|UciSession|XBoardSession|Soak|Threads
FUZZ_SECONDS ?= 15

.PHONY: all run test check build deps asan tsan fuzz bench clean install windows windows-test windows-deps

ifneq ($(EXE),)
all: deps
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

check: deps
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
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset tsan -R '$(TSAN_TESTS)'

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	./tools/fuzz-smoke.sh build/fuzz $(FUZZ_SECONDS)

windows-deps:
	@./tools/install-deps.sh --windows

windows: windows-deps
	cmake --preset windows
	cmake --build --preset windows

windows-test: windows-deps
	cmake --preset windows-test
	cmake --build --preset windows-test
	ctest --preset windows-test

test: check asan tsan fuzz windows-test

bench: build
	./build/release/quillon bench

install: build
	cmake --install build/release

clean:
	rm -rf build
