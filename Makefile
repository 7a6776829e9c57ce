# The project's commands. Thin: the work is in scripts/ and CMake.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: run test dist build bootstrap bench screenshots audit test-windows test-page clean

run: bootstrap dist
	scripts/main-job.sh

test: bootstrap dist
	$(MAKE) --no-print-directory test-windows test-page

dist: build
	scripts/make-dist.sh $(BUILD)

build:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j2

bootstrap:
	scripts/bootstrap.sh

test-windows:
	cd $(BUILD) && ctest --output-on-failure

test-page:
	node --test tests/page/

bench: bootstrap dist
	bench/run.sh

screenshots: bootstrap dist
	scripts/screenshots.sh

audit: bootstrap dist
	cd audit && npm ci --no-audit --no-fund --loglevel=error
	node audit/run.mjs dist/index.html

clean:
	rm -rf $(BUILD) dist
