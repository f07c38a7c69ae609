# Set-up, build, run and test in one step each, on Debian 12.
BUILD ?= build

.PHONY: all deps build run stop test clean

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

clean:
	rm -rf $(BUILD)
