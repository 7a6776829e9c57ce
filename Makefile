# The project's commands. Thin: the work is in scripts/ and CMake.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
DIST ?= dist
# TESTS=OFF builds the shipped files alone.
TESTS ?= ON
# Optional Authenticode signing: make dist SIGN_PKCS12=key.p12 SIGN_PASSWORD_FILE=pass.txt [SIGN_TIMESTAMP_URL=url]
SIGN_PKCS12 ?=
SIGN_PASSWORD_FILE ?=
SIGN_TIMESTAMP_URL ?=
override SIGN_PKCS12 := $(abspath $(SIGN_PKCS12))
override SIGN_PASSWORD_FILE := $(abspath $(SIGN_PASSWORD_FILE))
export SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_TIMESTAMP_URL
# Always given, so a build folder once configured for signing goes back to unsigned.
SIGN_FLAGS = "-DSIGN_PKCS12=$(SIGN_PKCS12)" "-DSIGN_PASSWORD_FILE=$(SIGN_PASSWORD_FILE)" "-DSIGN_TIMESTAMP_URL=$(SIGN_TIMESTAMP_URL)"

.PHONY: run test test-anywhere test-soak dist build bootstrap bench screenshots audit test-windows test-page clean

run: bootstrap dist
	scripts/main-job.sh

# Every suite runs, whatever the one before it did; the exit status says whether any failed.
test: bootstrap dist
	@failed=""; \
	$(MAKE) --no-print-directory test-windows || failed="$$failed Windows"; \
	$(MAKE) --no-print-directory test-page || failed="$$failed page"; \
	if [ -n "$$failed" ]; then echo "make test: FAILED:$$failed tests (their failures are listed above)"; exit 1; fi; \
	echo "make test: the Windows and page tests passed"

# The test bed from a long clone path with spaces and Chinese characters, under
# a Chinese locale and under LC_ALL=C (a clone of the current commit).
test-anywhere: bootstrap
	scripts/test-anywhere.sh

# The same clone and settings, N runs in a row, alternating the two settings;
# ends with a table of each test's failures and slowest time.
N ?= 20
test-soak: bootstrap
	scripts/test-anywhere.sh --soak $(N)

dist: build
	@scripts/make-dist.sh "$(BUILD)" "$(DIST)"

build:
	@scripts/sign.sh check
	cmake -S . -B "$(BUILD)" $(CMAKE_FLAGS) -DTALLY_TESTS=$(TESTS) $(SIGN_FLAGS) >/dev/null
	cmake --build "$(BUILD)" -j2

bootstrap:
	scripts/bootstrap.sh

# Four at a time: each test has its own Wine prefix, and most of them wait on
# the wizard's pauses and on Wine rather than on a core.
test-windows:
	cd "$(BUILD)" && ctest -j4 --output-on-failure

# Page test files share nothing but the page file: three run at a time, each
# with its own Chromium (Node's default on two cores is one at a time). A file
# still running after 300 s fails by name (the longest takes 34 s alone, about
# 100 s three at a time) instead of holding the run for ever, as one did when
# a call into Chromium never came back.
test-page:
	node --test --test-concurrency=3 --test-timeout=300000 tests/page/

bench: bootstrap dist
	bench/run.sh

screenshots: bootstrap dist
	scripts/screenshots.sh

audit: bootstrap dist
	cd audit && npm ci --no-audit --no-fund --loglevel=error
	node audit/run.mjs dist/index.html

clean:
	rm -rf $(BUILD) dist
