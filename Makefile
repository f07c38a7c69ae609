# Set-up, build, run and test in one step each, on Debian 12.
BUILD ?= build
# The suite again, built by clang with AddressSanitizer and UBSan, and the fuzz targets.
SANITIZED ?= build-asan
FUZZ_SECONDS ?= 20

.PHONY: all deps build run stop test sanitized-build sanitize fuzz bench clean

all: build

deps:
	@scripts/deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

run: build
	scripts/run.sh $(BUILD)

stop:
	scripts/run.sh --stop

test: build
	ctest --test-dir $(BUILD) --output-on-failure --timeout 300

sanitized-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZED) -G Ninja \
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

clean:
	rm -rf $(BUILD) $(SANITIZED)
