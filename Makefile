# Set-up and build entry points. Every target first makes sure the Debian packages the
# build needs are installed, so a fresh machine needs nothing else.

PACKAGES := g++ cmake ninja-build libsqlite3-dev libgtest-dev python3
# mactime, with which the acceptance suite reads the body file (it skips that step without).
TEST_PACKAGES := sleuthkit
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
REAL_DATA ?= ../shared/data/real
JOBS ?= $(shell nproc)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps test-deps configure build run test asan-build asan-test fuzz clean

# Installs whichever of the listed Debian packages are missing.
define install_missing
	@missing=""; for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "installing:$$missing"; \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

test-deps:
	$(call install_missing,$(TEST_PACKAGES))

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELK_WERROR=ON

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only the program: the test suite is built by `make test`.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target velk
	./$(BUILD_DIR)/velk -db tests/data/sample/wpndatabase.db

test: build test-deps
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

asan-build: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELK_SANITIZE=ON -DVELK_WERROR=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)

asan-test: asan-build test-deps
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

# Builds every tests/fuzz/*_fuzz.cpp as a libFuzzer binary with Debian's clang (installed
# when missing) and runs each for FUZZ_SECONDS on its committed corpus plus seeds taken from
# the real files at run time (never copied into the project). New inputs land in
# $(FUZZ_DIR)/work; copy a crashing one into tests/fuzz/corpus/<target>/ to keep it.
fuzz: deps
	@dpkg-query -W -f='$${Status}' clang 2>/dev/null | grep -q "install ok installed" || { \
	    echo "installing: clang"; \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y clang; }
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELK_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	rm -rf $(FUZZ_DIR)/seeds
	if [ -d $(REAL_DATA) ]; then python3 tests/fuzz/make_corpus.py --real $(REAL_DATA) --out $(FUZZ_DIR)/seeds; fi
	for bin in $(FUZZ_DIR)/tests/fuzz/*_fuzz; do \
	    name=$$(basename $$bin _fuzz); \
	    mkdir -p $(FUZZ_DIR)/work/$$name $(FUZZ_DIR)/seeds/$$name; \
	    $$bin -max_total_time=$(FUZZ_SECONDS) -timeout=10 $(FUZZ_DIR)/work/$$name \
	        tests/fuzz/corpus/$$name $(FUZZ_DIR)/seeds/$$name || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
