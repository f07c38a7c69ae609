# Set-up, build, run and test in one step each, on Debian 12.
BUILD ?= build
BUILD_WIN ?= build-win
# The suite again, built by clang with AddressSanitizer and UBSan, and the fuzz targets.
SANITIZED ?= build-asan
FUZZ_SECONDS ?= 20
# ON makes a compiler warning fail the build, as CI does.
WERROR ?= OFF

.PHONY: all deps build build-win run stop test test-win sanitized-build sanitize fuzz bench bench-win clean

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DORBEK_WERROR=$(WERROR)
	cmake --build $(BUILD)

# The core and its tests as Windows executables, cross-built with mingw-w64.
build-win: deps
	cmake -S . -B $(BUILD_WIN) -G Ninja -DORBEK_WERROR=$(WERROR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
	cmake --build $(BUILD_WIN)

run: build
	scripts/run.sh $(BUILD)

stop:
	scripts/run.sh --stop

# A test that did not run (a skip) fails the run as a failed one does.
test: build build-win
	scripts/ctest.sh $(BUILD) --output-on-failure --timeout 300
	scripts/wine-tests.sh $(BUILD_WIN)

# The Windows tests alone, under Wine.
test-win: build-win
	scripts/wine-tests.sh $(BUILD_WIN)

sanitized-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZED) -G Ninja -DORBEK_WERROR=$(WERROR) \
	  -DORBEK_SANITIZE=ON -DORBEK_FUZZ=ON -DORBEK_BENCH=OFF
	cmake --build $(SANITIZED)

sanitize: sanitized-build
	scripts/sanitized.sh $(SANITIZED)

fuzz: sanitized-build
	scripts/fuzz.sh $(SANITIZED) $(FUZZ_SECONDS)

bench: build
	cmake --build $(BUILD) --target orbek_bench bare_tray
	$(BUILD)/bench/orbek_bench
	bench/startup.sh $(BUILD)

# The Win32 runtime's benchmark, under Wine in a throwaway prefix.
bench-win: build-win
	cmake --build $(BUILD_WIN) --target win32_bench
	scripts/wine-tests.sh --run $(BUILD_WIN)/win32_bench.exe

clean:
	rm -rf $(BUILD) $(BUILD_WIN) $(SANITIZED)
