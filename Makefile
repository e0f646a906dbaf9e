# make run   install what is missing, build, and run the program
# make test  install what is missing, build, and run every test
# make bench build and run the timing programs (never part of make test)
# make mutants plant the faults of tests/mutants/faults.txt one by one and check
#            that each one the kill list marks killed still fails a test
#            (scripts/mutants.sh record rewrites the kill list)
# make coverage  a --coverage build in BUILD/coverage, every test run alone:
#            which branches of src/ each test executes, and which tests execute
#            nothing the others do not (BUILD/coverage/coverage-report.txt)
# make docs  the module's reference from its public headers (build/docs/html)
# make stress the reliability suite with larger counts; FEEOFFICE_RELIABILITY_KILLS,
#            _CLERKS, _OPS, _STEPS and FEEOFFICE_SEED set them
#            (the defaults below, or the small ones of make test when unset there)
BUILD ?= build
JOBS  ?= 2
CMAKE_FLAGS ?=
# A new build folder gets Ninja, which starts a library's dependants before
# it is linked and checks dependencies faster than make; a folder configured
# earlier keeps the generator it was made with. Expanded when configure runs,
# after deps.
GENERATOR = $(if $(wildcard $(BUILD)/CMakeCache.txt),,-G Ninja)

.PHONY: all deps configure build run test bench stress mutants coverage docs clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(GENERATOR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

stress: build
	@cd $(BUILD) && \
	  FEEOFFICE_RELIABILITY_KILLS=$${FEEOFFICE_RELIABILITY_KILLS:-40} \
	  FEEOFFICE_RELIABILITY_CLERKS=$${FEEOFFICE_RELIABILITY_CLERKS:-4} \
	  FEEOFFICE_RELIABILITY_OPS=$${FEEOFFICE_RELIABILITY_OPS:-60} \
	  FEEOFFICE_RELIABILITY_STEPS=$${FEEOFFICE_RELIABILITY_STEPS:-300} \
	  ctest -L reliability --output-on-failure -j$(JOBS)

mutants: deps
	@BUILD=$(BUILD) JOBS=$(JOBS) scripts/mutants.sh check

# Without optimisation, so that a branch counted is a branch of the source.
coverage: deps
	@cmake -S . -B $(BUILD)/coverage -G Ninja -DCMAKE_BUILD_TYPE=Coverage \
	  -DCMAKE_CXX_FLAGS_COVERAGE="-O0 --coverage -fprofile-update=atomic" \
	  -DCMAKE_C_FLAGS_COVERAGE="-O0 --coverage" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
	  -DCMAKE_SHARED_LINKER_FLAGS=--coverage $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)/coverage -j$(JOBS)
	@scripts/coverage.py run $(BUILD)/coverage

bench: build
	@cmake --build $(BUILD) --target bench

docs: configure
	@cmake --build $(BUILD) --target docs

clean:
	rm -rf $(BUILD)
