# q6tsa: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
GENERATOR  := -G Ninja
JOBS       ?= $(shell nproc)
PACKAGES   := liblog4cpp5-dev libjsoncpp-dev cmake ninja-build pkg-config \
              libgtest-dev libgmock-dev libbenchmark-dev clang man-db groff-base
# What `make run` starts: the agent, the IPC library and the reader's tool.
RUN_TARGETS := q6tsa qxipcdll q6ipc
# libFuzzer comes with clang's run-time libraries.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 60
# The Windows build: wineg++ (Winelib) builds it, Wine runs its tests.
WINE_PACKAGES := wine wine64 wine64-tools libwine-dev
WINE_BUILD    ?= build-wine

.PHONY: all deps configure build test test-unit test-sanitize test-windows lint run bench package clean fuzz

all: build

# Installs only what is missing, and only as root.
deps:
	@scripts/install-packages.sh $(PACKAGES)

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The lint, the whole suite, the same suite under AddressSanitizer + UBSan,
# then the Windows build's tests under Wine.
test: lint test-unit test-sanitize test-windows

test-unit: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(SAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQ6_SANITIZE=ON

test-sanitize: $(SAN_BUILD)/build.ninja
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -LE 'slow|bench'

$(WINE_BUILD)/build.ninja: | deps
	@scripts/install-packages.sh $(WINE_PACKAGES)
	cmake -S . -B $(WINE_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/wine-toolchain.cmake

test-windows: $(WINE_BUILD)/build.ninja
	cmake --build $(WINE_BUILD) -j $(JOBS)
	ctest --test-dir $(WINE_BUILD) --output-on-failure -j $(JOBS)

# clang-format and clang-tidy over the whole tree.
lint: build
	@scripts/lint.sh $(BUILD)

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	@scripts/run-agent.sh $(BUILD)

bench: build
	@scripts/run-bench.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS under libFuzzer, AddressSanitizer and UBSan.
fuzz: deps
	@scripts/install-packages.sh $(FUZZ_PACKAGES)
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DQ6_SANITIZE=ON -DQ6_LIBFUZZER=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run-fuzzers.sh $(FUZZ_BUILD)

# A Debian package of the install folder, in BUILD/.
package: build
	cd $(BUILD) && cpack

# Every build folder that a target of this file makes.
clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(WINE_BUILD)
