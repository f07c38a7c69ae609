# Set-up, build, run and test in one step each, on Debian 12.
BUILD ?= build
BUILD_WIN ?= build-win

.PHONY: all deps build build-win run stop test test-win clean

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

# The core and its tests as Windows executables, cross-built with mingw-w64.
build-win: deps
	cmake -S . -B $(BUILD_WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
	cmake --build $(BUILD_WIN)

run: build
	scripts/run.sh $(BUILD)

stop:
	scripts/run.sh --stop

test: build build-win
	ctest --test-dir $(BUILD) --output-on-failure --timeout 300
	scripts/wine-tests.sh $(BUILD_WIN)

# The Windows tests alone, under Wine.
test-win: build-win
	scripts/wine-tests.sh $(BUILD_WIN)

clean:
	rm -rf $(BUILD) $(BUILD_WIN)
