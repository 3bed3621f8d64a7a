BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30

.PHONY: deps configure build run test test-asan fuzz bench package clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/Moravel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails its test.
# The end-to-end test preloads a library into the programs, which the link-order check would refuse.
# Left out: the benchmarks, and the package and install checks, whose sanitized programs are not
# what anyone installs; `make test` makes and checks those.
# -O1 and line tables only: built in little more than half the time, reports still name file and line.
test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DMORAVEL_SANITIZE=ON -DMORAVEL_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:verify_asan_link_order=0 \
		UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -E '^(install|package|package_install)$$'

# Each libFuzzer target for FUZZ_SECONDS on its committed corpus (clang, separate build directory).
fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_CXX_COMPILER=clang++ \
		-DMORAVEL_BUILD_FUZZ=ON -DMORAVEL_SANITIZE=ON -DMORAVEL_BUILD_TESTS=OFF -DMORAVEL_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_numtext fuzz_dateserial fuzz_wildcard fuzz_rows
	@fuzz/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks.sh $(BUILD_DIR)

# The Debian package moravel_<version>_<arch>.deb, in the build directory.
package: build
	@cmake --build $(BUILD_DIR) --target package

clean:
	rm -rf $(BUILD_DIR)
