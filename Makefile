# Two ways to build Quillon.
#
# With CMake (development and tests; missing tools are installed with apt-get):
#   make run          build the optimised engine and start it
#   make test         build and run every test: the format check, the optimised
#                     suite, the suite under AddressSanitizer+UndefinedBehavior-
#                     Sanitizer, the threaded tests under ThreadSanitizer, a fuzz
#                     smoke run, the Windows suite under wine, the ARM64 suite
#                     under qemu-aarch64, the Debian packages' checks and the
#                     WebAssembly engines under Node and in Chromium, and the
#                     browser page in headless chromium
#   make check        only the optimised suite (the quick loop while developing)
#   make format       format the C++ files with .clang-format (make test checks it)
#   make windows      cross-build build/windows/quillon.exe with mingw-w64
#   make windows-test cross-build the optimised suite and run it under wine
#   make arm64        cross-build a static build/arm64/quillon for ARM64 Linux
#   make arm64-test   cross-build the optimised suite and run it under qemu-aarch64
#   make deb          Debian packages build/deb/quillon_VERSION_{amd64,arm64}.deb
#                     with dpkg-buildpackage, and the source package quillon_VERSION.dsc
#   make deb-test     make deb, then install the amd64 one into a scratch root and
#                     check it (its engine's bench, hardening, manual page, plug-in,
#                     lintian on the source and binary packages)
#   make wasm         the WebAssembly engines (emscripten) and their npm package in
#                     build/wasm/ (Web Worker scripts and Node console programs)
#   make wasm-test    make wasm, then check both engines under Node and as Web
#                     Workers in headless Chromium
#   make web          the browser page and the WebAssembly engine in build/web/
#   make web-serve    serve it on http://localhost:8000 (threaded engine)
#   make web-test     the page's tests in headless chromium, with and without
#                     cross-origin isolation; screenshots in build/web-test/
#
# With nothing but GNU make and a C++20 compiler (no CMake, no scripts):
#   make -j EXE=name [CXX=g++|clang++] [CXXFLAGS=...] [NATIVE=]
#                     an optimised binary called name, tuned for this machine
#                     (the build distributed testing workers run)
#   make dist         portable release archives under build/dist
#
# Both builds compile the same files: every .cpp of the subsystem folders
# (less the other systems' *_windows.cpp / *_posix.cpp / *_web.cpp and the
# other processor family's *_x86_64.cpp / *_generic.cpp) and main.cpp.

EXE ?=
# Threaded search and protocol tests, run under ThreadSanitizer.
TSAN_TESTS = SearchTest|SearchThread|UciSession|XBoardSession|Soak|Threads
FUZZ_SECONDS ?= 15

.PHONY: all run test check build deps asan tsan fuzz bench clean install dist print-sources windows windows-test windows-deps \
	format format-check \
	arm64 arm64-test arm64-deps deb deb-test deb-deps wasm wasm-test wasm-deps \
	web web-deps web-serve web-test
.DEFAULT_GOAL := all

# ---------------------------------------------------------------------------
# The source list, shared by both builds (CMakeLists.txt globs the same
# folders with the same platform filter; a test compares the two lists).
# Listed from the top layer down, the order in which CMake links them.
SUBSYSTEMS := protocol search eval board
# PLATFORM=windows (the default on Windows) builds the *_windows.cpp files
# instead of the *_posix.cpp ones, for example with a cross compiler.
ifeq ($(OS),Windows_NT)
PLATFORM ?= windows
else
PLATFORM ?= posix
endif
# PLATFORM=web builds the *_web.cpp files, for WebAssembly (make wasm).
ifeq ($(PLATFORM),windows)
PLATFORM_EXCLUDE := %_posix.cpp %_web.cpp
else ifeq ($(PLATFORM),web)
PLATFORM_EXCLUDE := %_posix.cpp %_windows.cpp
else
PLATFORM_EXCLUDE := %_windows.cpp %_web.cpp
endif
# The processor family, from the target the compiler reports (x86_64-linux-gnu,
# aarch64-linux-gnu, arm64-apple-darwin...): PROCESSOR=x86_64 builds the
# *_x86_64.cpp files, any other processor the *_generic.cpp ones.
ifeq ($(origin TARGET_MACHINE),undefined)
TARGET_MACHINE := $(shell $(CXX) -dumpmachine)
endif
ifneq ($(filter x86_64-% amd64-%,$(TARGET_MACHINE)),)
PROCESSOR ?= x86_64
else
PROCESSOR ?= generic
endif
ifeq ($(PROCESSOR),x86_64)
PLATFORM_EXCLUDE += %_generic.cpp
else
PLATFORM_EXCLUDE += %_x86_64.cpp
endif
SOURCES := main.cpp $(foreach d,$(SUBSYSTEMS),$(sort $(filter-out $(PLATFORM_EXCLUDE),$(wildcard $(d)/*.cpp))))

print-sources:
	@echo $(SOURCES)

# ---------------------------------------------------------------------------
# The plain build. It runs no script, so it works from a tree unpacked
# without run bits on a machine with only make and a compiler; the only
# commands it starts besides the compiler are the compiler's -dumpmachine
# (the processor family, above) and, where the unpacked tree lacks it, the
# creation of build/. Objects go straight into build/, named after the
# compiler and the binary, so that builds with another compiler or into
# another name never share one.
ifneq ($(EXE),)

# Tuned for this machine: x86-64 compilers take -march=native, ARM64 ones
# -mcpu=native (not every one accepts -march=native there); elsewhere none.
ifeq ($(PROCESSOR),x86_64)
NATIVE ?= -march=native
else ifneq ($(filter aarch64-% arm64-%,$(TARGET_MACHINE)),)
NATIVE ?= -mcpu=native
else
NATIVE ?=
endif
CXXFLAGS ?= -O3 -DNDEBUG
# Always needed, whatever CXXFLAGS says.
# THREADS= leaves threads out (the single-threaded WebAssembly engine).
THREADS ?= -pthread
QUILLON_CXXFLAGS := -std=c++20 $(THREADS) -Wall -Wextra -I.
QUILLON_LDFLAGS := $(THREADS)

empty :=
space := $(empty) $(empty)
flatten = $(subst $(space),_,$(subst /,_,$(subst \,_,$(subst :,_,$(1)))))
OBJ_PREFIX := build/make.$(call flatten,$(CXX)).$(call flatten,$(EXE)).
OBJECTS := $(foreach s,$(SOURCES),$(OBJ_PREFIX)$(subst /,.,$(s:.cpp=.o)))
COMPILE_FLAGS := $(QUILLON_CXXFLAGS) $(NATIVE) $(CPPFLAGS) $(CXXFLAGS)
LINK_FLAGS := $(QUILLON_LDFLAGS) $(NATIVE) $(CXXFLAGS) $(LDFLAGS)

# A record of the compiler and flags: objects built with other flags are
# rebuilt. ($(file) is GNU make 4.2 or later; an older make rebuilds always.)
FLAGS_FILE := $(OBJ_PREFIX)flags
FLAGS_TEXT := $(CXX) $(COMPILE_FLAGS) | $(LINK_FLAGS) $(LDLIBS)
ifeq ($(wildcard build/.),)
$(shell mkdir -p build)
endif
ifneq ($(file <$(FLAGS_FILE)),$(FLAGS_TEXT))
$(file >$(FLAGS_FILE),$(FLAGS_TEXT))
endif
$(FLAGS_FILE): ;

all: $(EXE)

# LINK_DEPS: further files the link reads (the WebAssembly glue).
$(EXE): $(OBJECTS) $(LINK_DEPS)
	@mkdir -p $(dir $@)
	$(CXX) $(LINK_FLAGS) -o $@ $(OBJECTS) $(LDLIBS)

# One rule per source, since the object's name flattens the folder.
define compile_rule
$(OBJ_PREFIX)$(subst /,.,$(1:.cpp=.o)): $(1) $(FLAGS_FILE)
	$$(CXX) $$(COMPILE_FLAGS) -MMD -MP -c $(1) -o $$@
endef
$(foreach s,$(SOURCES),$(eval $(call compile_rule,$(s))))

-include $(OBJECTS:.o=.d)

else
all: build
endif

# ---------------------------------------------------------------------------
# Portable release archives: a Linux x86-64 binary for any x86-64 processor
# (baseline instruction set, linked statically; the population count is
# chosen at start-up), and the ARM64 Linux binary, the WebAssembly engines
# (with their loader, Node entry and README) and the Windows .exe when this
# Makefile can build them (see make arm64, make wasm and make windows).
DIST_DIR := build/dist
# clang++ when installed (its code searches about 7% faster), else g++.
DIST_CXX ?= $(shell command -v clang++ >/dev/null 2>&1 && echo clang++ || echo g++)
DIST_CXXFLAGS ?= -O3 -DNDEBUG -march=x86-64 -mtune=generic
DIST_LDFLAGS ?= -static

dist:
	@mkdir -p $(DIST_DIR)/linux
	$(MAKE) --no-print-directory EXE=$(DIST_DIR)/linux/quillon CXX=$(DIST_CXX) NATIVE= \
		CXXFLAGS="$(DIST_CXXFLAGS)" LDFLAGS="$(DIST_LDFLAGS)"
	@set -e; \
	version=$$($(DIST_DIR)/linux/quillon --version | sed -n 's/^Quillon //p'); \
	test -n "$$version"; \
	stage() { \
		rm -rf $(DIST_DIR)/$$1; mkdir -p $(DIST_DIR)/$$1; \
		cp $$2 README.md $(DIST_DIR)/$$1/; \
		for f in LICENSE LICENSE.md LICENSE.txt COPYING; do \
			if [ -f $$f ]; then cp $$f $(DIST_DIR)/$$1/; fi; \
		done; \
	}; \
	name=quillon-$$version-linux-x86-64; \
	stage $$name $(DIST_DIR)/linux/quillon; \
	tar -C $(DIST_DIR) -czf $(DIST_DIR)/$$name.tar.gz $$name; \
	echo "dist: $(DIST_DIR)/$$name.tar.gz"; \
	if grep -q '^arm64:' $(firstword $(MAKEFILE_LIST)); then \
		$(MAKE) --no-print-directory arm64; \
		if [ -f build/arm64/quillon ]; then \
			aname=quillon-$$version-linux-arm64; \
			stage $$aname build/arm64/quillon; \
			tar -C $(DIST_DIR) -czf $(DIST_DIR)/$$aname.tar.gz $$aname; \
			echo "dist: $(DIST_DIR)/$$aname.tar.gz"; \
		fi; \
	fi; \
	if grep -q '^wasm:' $(firstword $(MAKEFILE_LIST)); then \
		$(MAKE) --no-print-directory wasm; \
		if [ -f build/wasm/package/quillon.js ]; then \
			jname=quillon-$$version-wasm; \
			rm -rf $(DIST_DIR)/$$jname; mkdir -p $(DIST_DIR)/$$jname; \
			cp -r build/wasm/package/. $(DIST_DIR)/$$jname/; \
			tar -C $(DIST_DIR) -czf $(DIST_DIR)/$$jname.tar.gz $$jname; \
			echo "dist: $(DIST_DIR)/$$jname.tar.gz"; \
		fi; \
	fi; \
	if grep -q '^windows:' $(firstword $(MAKEFILE_LIST)); then \
		$(MAKE) --no-print-directory windows; \
		if [ -f build/windows/quillon.exe ]; then \
			wname=quillon-$$version-windows-x86-64; \
			stage $$wname build/windows/quillon.exe; \
			rm -f $(DIST_DIR)/$$wname.zip; \
			(cd $(DIST_DIR) && python3 -m zipfile -c $$wname.zip $$wname); \
			echo "dist: $(DIST_DIR)/$$wname.zip"; \
		fi; \
	fi

# ---------------------------------------------------------------------------
# The CMake builds.
deps:
	@bash tools/install-deps.sh

build: deps
	@# A release folder configured with another compiler is set up afresh:
	@# CMake forgets the preset's settings when the compiler changes.
	@if [ -f build/release/CMakeCache.txt ] && \
		! grep -q '^CMAKE_CXX_COMPILER:.*clang++' build/release/CMakeCache.txt; then rm -rf build/release; fi
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
	bash tools/fuzz-smoke.sh build/fuzz $(FUZZ_SECONDS)

windows-deps:
	@bash tools/install-deps.sh --windows

windows: windows-deps
	cmake --preset windows
	cmake --build --preset windows

windows-test: windows-deps
	cmake --preset windows-test
	cmake --build --preset windows-test
	ctest --preset windows-test

arm64-deps:
	@bash tools/install-deps.sh --arm64

arm64: arm64-deps
	cmake --preset arm64
	cmake --build --preset arm64

arm64-test: arm64-deps
	cmake --preset arm64-test
	cmake --build --preset arm64-test
	ctest --preset arm64-test

# Debian packages: the tree as a native Debian source package (packaging/debian
# is its debian/ directory, whose rules run the plain build above), built with
# dpkg-buildpackage, arm64 as a cross build (no network beyond apt-get
# installing debhelper, lintian and Debian's ARM64 cross toolchain when missing).
deb-deps:
	@bash tools/install-deps.sh --deb

deb: deb-deps
	MAKE="$(MAKE)" bash tools/make-deb.sh

deb-test: deb
	bash tools/deb-test.sh

# ---------------------------------------------------------------------------
# WebAssembly, with Debian's emscripten: two engines in build/wasm/, each both
# a classic Web Worker script and a Node console program, a loader module that
# picks one, and an npm package of them (build/wasm/package/).
#   quillon.js          one thread, Asyncify so that input is read during a
#                       search; runs in any browser from any static host
#   quillon-threads.js  WebAssembly threads (SharedArrayBuffer): needs a page
#                       that is cross-origin isolated
# The optimiser of Debian's emscripten finds acorn through NODE_PATH.
WASM_DIR := build/wasm
WASM_ENV := NODE_PATH=/usr/share/nodejs
WASM_LDFLAGS := -sENVIRONMENT=worker,node -sALLOW_MEMORY_GROWTH=1 -sABORTING_MALLOC=0 \
	-sTOTAL_STACK=8MB -sEXIT_RUNTIME=1 -lnodefs.js --pre-js wasm/pre.js \
	-sEXPORTED_FUNCTIONS=_main,_malloc,_free,_quillon_input_push,_quillon_input_end
# The single-threaded engine may grow to 2 GB. The threaded one's memory is
# shared, and a browser reserves shared memory at its maximum from the start:
# 1 GB, which phones can reserve too (a 1024 MB table is then refused).
# Asyncify instruments every function through which the engine may wait for
# input; the evaluation only looks that way (its endgame rules are called
# through function objects) and never reads input: left alone, it runs at
# full speed.
WASM_ASYNCIFY_REMOVE := '["NEngine::Evaluator::*","NEngine::evaluatePosition*","*EndgameVerdict*"]'
WASM_SINGLE_LDFLAGS := $(WASM_LDFLAGS) -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536 \
	-sASYNCIFY_REMOVE=$(WASM_ASYNCIFY_REMOVE) -sMAXIMUM_MEMORY=2GB
WASM_THREADS_LDFLAGS := $(WASM_LDFLAGS) -sUSE_PTHREADS=1 -sPROXY_TO_PTHREAD=1 -sPTHREAD_POOL_SIZE=8 \
	-sDEFAULT_PTHREAD_STACK_SIZE=8MB -sMAXIMUM_MEMORY=1GB

wasm-deps:
	@bash tools/install-deps.sh --wasm

WASM_JOBS ?= $(shell nproc 2>/dev/null || echo 2)

wasm: wasm-deps
	$(WASM_ENV) $(MAKE) -j$(WASM_JOBS) --no-print-directory EXE=$(WASM_DIR)/quillon.js CXX=em++ PLATFORM=web NATIVE= THREADS= \
		LINK_DEPS=wasm/pre.js LDFLAGS="$(WASM_SINGLE_LDFLAGS)"
	$(WASM_ENV) $(MAKE) -j$(WASM_JOBS) --no-print-directory EXE=$(WASM_DIR)/quillon-threads.js CXX=em++ PLATFORM=web NATIVE= \
		LINK_DEPS=wasm/pre.js LDFLAGS="$(WASM_THREADS_LDFLAGS)"
	bash tools/wasm-package.sh $(WASM_DIR)

wasm-test: deps wasm
	bash tools/wasm-test.sh $(WASM_DIR)

test: format-check check asan tsan fuzz windows-test arm64-test deb-test wasm-test web-test

# ---------------------------------------------------------------------------
# The page to play and analyse in the browser (web/), built into build/web/
# with the WebAssembly engine beside it (files copied from build/wasm/).
# Its JavaScript dependencies are pinned in web/package-lock.json and
# installed with npm ci; the browser test drives Debian's chromium.
WEB_OUT := build/web
WEB_ENGINE_DIR ?= build/wasm
WEB_ENGINE_TARGET ?= wasm
WEB_PORT ?= 8000

web-deps:
	@bash tools/install-deps.sh --web
	@if [ ! -f web/node_modules/.package-lock.json ] || \
		[ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then \
		cd web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund; \
	fi

web: web-deps $(WEB_ENGINE_TARGET)
	node web/build.mjs $(WEB_OUT)
	@rm -rf $(WEB_OUT)/engine && mkdir -p $(WEB_OUT)/engine
	@set -e; n=0; for f in $(WEB_ENGINE_DIR)/*.js $(WEB_ENGINE_DIR)/*.mjs $(WEB_ENGINE_DIR)/*.wasm; do \
		if [ -f "$$f" ]; then cp "$$f" $(WEB_OUT)/engine/; n=$$((n+1)); fi; done; \
		test -f $(WEB_OUT)/engine/quillon-loader.mjs || { echo "web: no engine loader in $(WEB_ENGINE_DIR)"; exit 1; }; \
		echo "web: $$n engine files copied from $(WEB_ENGINE_DIR)"

# Serves the page on http://localhost:8000 with the cross-origin isolation
# headers, so that the threaded engine runs.
web-serve: web
	python3 tools/web-serve.py --dir $(WEB_OUT) --port $(WEB_PORT) --isolate

# The page's unit tests under Node, then the page in headless chromium,
# served with and without the isolation headers; screenshots go to
# build/web-test/.
web-test: web
	cd web && node --test test/unit/*.test.mjs
	node web/test/browser.mjs --dir $(WEB_OUT) --out build/web-test

# .clang-format is the format: make format applies it, make test checks it.
format: deps
	@bash tools/format.sh

format-check: deps
	@bash tools/format.sh --check

bench: build
	./build/release/quillon bench

install: build
	cmake --install build/release

# build/.gitignore stays: the plain build writes into build/ without creating it.
clean:
	rm -rf build/*
