# make run   install what is missing, build, and run the program
# make test  install what is missing, build, and run every test
# make bench build and run the timing programs (never part of make test)
BUILD ?= build
JOBS  ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	@cmake --build $(BUILD) --target bench

clean:
	rm -rf $(BUILD)
