# Entry points: make run, make test, make bench, make soak, make fuzz, make package,
# make package-windows.
# Each installs missing Debian packages first (as root) and builds into build*/.

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
# Warnings are errors in every tree built here (developers, CI); a packager's own cmake run
# leaves them warnings.
WERROR := -DTAVREL_WERROR=ON

.PHONY: all deps configure build run test test-plain test-asan test-tsan bench soak fuzz format clean package windows test-windows package-windows

all: build

# Each target installs the Debian packages it needs (scripts/install-deps.sh SET).
deps:
	@scripts/install-deps.sh run

deps-%:
	@scripts/install-deps.sh $*

configure: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) $(CMAKE_FLAGS) >/dev/null

build: configure
	cmake --build build -j$(JOBS)

# Only the programs the session runs, not the tests.
run: configure
	cmake --build build -j$(JOBS) --target tavrel tavrel-sim tavrel-session
	scripts/run.sh

# The plain suite, then everything under Address + UndefinedBehavior sanitizers,
# then the core's threaded tests under ThreadSanitizer.
test: test-plain test-windows test-asan test-tsan

test-plain: deps-test build
	cd build && ctest --output-on-failure -j$(JOBS) --timeout 300 -LE wine

test-asan: deps-test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTAVREL_SANITIZE=asan -DTAVREL_WITH_BENCH=OFF $(WERROR) >/dev/null
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ctest --output-on-failure -j$(JOBS) --timeout 600 -LE wine

test-tsan: deps-test
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTAVREL_SANITIZE=tsan -DTAVREL_WITH_GUI=OFF -DTAVREL_WITH_BENCH=OFF $(WERROR) >/dev/null
	cmake --build build-tsan -j$(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j$(JOBS) --timeout 600 -L threaded

bench: build
	scripts/bench.sh build

# The real program for SOAK_SECONDS (default 600) with touches at the line rate and hang-ups.
soak: build
	scripts/soak.sh build

fuzz: deps-fuzz
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_WITH_FUZZ=ON -DTAVREL_WITH_GUI=OFF -DTAVREL_WITH_BENCH=OFF $(WERROR) >/dev/null
	cmake --build build-fuzz -j$(JOBS)
	scripts/fuzz.sh build-fuzz $(FUZZ_SECONDS)

# The native 32-bit Windows build: build-win32/tavrel.exe, tavrel-link-probe.exe and the test
# programs, from the same core with the Win32 back ends.
windows: deps-windows
	cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) >/dev/null
	cmake --build build-win32 -j$(JOBS)

# The Windows build's tests under Wine (a throw-away prefix in build-win32): the core's and the
# Win32 back ends' test programs, then the programs against the emulator on Xvfb.
test-windows: deps-test windows build
	JOBS=$(JOBS) scripts/test-windows.sh build build-win32

# The Debian package build-package/tavrel_<version>_<arch>.deb, checked with lintian.
package: deps-package
	JOBS=$(JOBS) scripts/package.sh build-package

# The Windows packages in build-win32/: tavrel-<version>-win32.zip (tavrel.exe, the README, the
# registry defaults) and, with NSIS, the installer tavrel-<version>-setup.exe, checked under Wine.
package-windows: deps-package-windows windows
	scripts/package-windows.sh build-win32

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz build-win32 build-win64 build-package
