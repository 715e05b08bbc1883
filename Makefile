# q6tsa: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
GENERATOR  := -G Ninja
JOBS       ?= $(shell nproc)
PACKAGES   := liblog4cpp5-dev libjsoncpp-dev cmake ninja-build pkg-config \
              libgtest-dev libgmock-dev libbenchmark-dev clang man-db groff-base
# What `make run` starts: the agent, the IPC library and the reader's tool;
# the package adds the readers' library.
RUN_TARGETS := q6tsa qxipcdll q6ipc
PACKAGE_TARGETS := $(RUN_TARGETS) q6time
# The plain lane's programs and the labels of its tests.
PLAIN_TARGETS := $(PACKAGE_TARGETS) q6_registry_files agent_cycle_e2e_test publisher_soak_test \
                 q6time_install_test descriptor_limit_e2e_test
PLAIN_LABELS  := slow|soak|install|unsanitized
# The test lanes build each target as one translation unit and share one
# precompiled GoogleTest, and link with gold (binutils' other linker, at
# about half the CPU of the default one), while the plain build compiles the
# shipped code a file at a time. The sanitizer lane keeps line tables for its
# reports; nobody steps through the Wine lane's programs.
TEST_BUILD_FLAGS := -DQ6_UNITY_BUILD=ON -DQ6_PRECOMPILED_TEST_HEADERS=ON \
  $(foreach kind,EXE SHARED MODULE,-DCMAKE_$(kind)_LINKER_FLAGS=-fuse-ld=gold)
# The lint reads the compile commands of a configured tree of one unit per
# target: the standard headers are walked once per target, and GoogleTest
# not at all, from the precompiled header that the test programs share (the
# only thing that tree builds, with clang-tidy's own clang).
LINT_BUILD    ?= build-lint
LINT_PACKAGES := clang-format clang-tidy-22 clang-22
# libFuzzer comes with clang's run-time libraries.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 60
# `make package`: dpkg-shlibdeps computes the package's dependencies. Its
# tests also need lintian, systemd-analyze (to verify the unit) and strace
# (to hold the agent's calls against the unit's filter).
PACKAGE_PACKAGES      := dpkg-dev
PACKAGE_TEST_PACKAGES := $(PACKAGE_PACKAGES) lintian systemd strace
# The sanitizer lane builds with clang, which compiles this code in about
# half GCC's time; its sanitizers' run-time is a package of its own.
SAN_PACKAGES := clang libclang-rt-14-dev
# clang and clang-tidy allocate much and touch all of it; asked to, glibc's
# malloc backs that with transparent huge pages (where the kernel leaves
# them to madvise), which takes a quarter off their CPU on this kind of
# machine, where every page fault is dear. Only the tools get it: the tests
# run with the system's defaults.
CLANG_MALLOC := GLIBC_TUNABLES=glibc.malloc.hugetlb=1
# The Windows build: wineg++ (Winelib, over clang) builds it, Wine runs its
# tests.
WINE_PACKAGES := wine wine64 wine64-tools libwine-dev clang
WINE_BUILD    ?= build-wine

.PHONY: all deps test-deps configure build test test-plain test-sanitize test-windows lint run bench package clean fuzz

all: build

# Installs only what is missing, and only as root.
deps:
	@scripts/install-packages.sh $(PACKAGES)

# All that `make test` needs, in one apt-get run.
test-deps:
	@scripts/install-packages.sh $(PACKAGES) $(LINT_PACKAGES) $(SAN_PACKAGES) $(WINE_PACKAGES) \
	  $(PACKAGE_TEST_PACKAGES)

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Each test runs once, in the lane that catches most: the sanitizer lane runs
# the unit, e2e and security tests and the benchmarks' smoke run; the plain
# lane what needs optimised code or real time (the 30-second cycle, the
# soak, the installed layout and the package) and what the sanitizers
# cannot run (an agent short of descriptors); the Windows build's tests
# under Wine.
# The three lanes run side by side, each configuring its own tree and
# printing its output when it ends, so that one lane builds while another's
# tests wait; the lint runs beside them at a lower priority, and its
# findings come at the end.
test: test-deps
	@mkdir -p $(LINT_BUILD)
	@{ $(MAKE) --no-print-directory $(LINT_BUILD)/build.ninja && \
	   $(CLANG_MALLOC) nice -n 10 scripts/lint.sh $(LINT_BUILD); } > $(LINT_BUILD)/lint.out 2>&1 & lint=$$!; \
	  $(MAKE) --no-print-directory -k -j 3 --output-sync=target \
	    test-sanitize test-plain test-windows; lanes=$$?; \
	  wait $$lint; linted=$$?; cat $(LINT_BUILD)/lint.out; \
	  test $$lanes -eq 0 -a $$linted -eq 0

# The plain lane builds only what its tests need.
test-plain: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(PLAIN_TARGETS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L '$(PLAIN_LABELS)'

$(SAN_BUILD)/build.ninja: | deps
	@scripts/install-packages.sh $(SAN_PACKAGES)
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQ6_SANITIZE=ON \
	  $(TEST_BUILD_FLAGS) -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1

test-sanitize: $(SAN_BUILD)/build.ninja
	$(CLANG_MALLOC) cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -LE '$(PLAIN_LABELS)'

$(WINE_BUILD)/build.ninja: | deps
	@scripts/install-packages.sh $(WINE_PACKAGES)
	cmake -S . -B $(WINE_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/wine-toolchain.cmake \
	  $(TEST_BUILD_FLAGS) -DCMAKE_CXX_FLAGS_DEBUG=-g0 -DCMAKE_C_FLAGS_DEBUG=-g0

# Wine makes its prefix, about 15 s of waiting, while the build runs.
test-windows: $(WINE_BUILD)/build.ninja
	cmake/wine/run.sh --prefix $(abspath $(WINE_BUILD))/wineprefix & prefix=$$!; \
	  $(CLANG_MALLOC) cmake --build $(WINE_BUILD) -j $(JOBS); built=$$?; \
	  wait $$prefix && test $$built -eq 0
	ctest --test-dir $(WINE_BUILD) --output-on-failure -j $(JOBS)

$(LINT_BUILD)/build.ninja: | deps
	@scripts/install-packages.sh $(LINT_PACKAGES)
	CC=clang-22 CXX=clang++-22 cmake -S . -B $(LINT_BUILD) $(GENERATOR) -DQ6_UNITY_BUILD=ON \
	  -DQ6_PRECOMPILED_TEST_HEADERS=ON

# clang-format and clang-tidy over the whole tree.
lint: $(LINT_BUILD)/build.ninja
	@$(CLANG_MALLOC) scripts/lint.sh $(LINT_BUILD)

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

# A Debian package of the install folder, in BUILD/: only what it holds is built.
package: configure
	@scripts/install-packages.sh $(PACKAGE_PACKAGES)
	cmake --build $(BUILD) -j $(JOBS) --target $(PACKAGE_TARGETS)
	cd $(BUILD) && cpack

# Every build folder that a target of this file makes.
clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(WINE_BUILD) $(LINT_BUILD)
