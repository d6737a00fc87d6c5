# Quick start: `make demo` and `make test` do all the set-up themselves.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
CTEST_JOBS ?= $(JOBS)
# A CI build fails on any compiler warning.
WERROR := $(if $(filter true,$(CI)),ON,OFF)

.PHONY: all deps deps-demo build build-asan test test-release test-asan demo bench install fuzz clean

all: build

# Everything any test needs (the Firebird server included); `make demo` needs less.
deps:
	./scripts/install-deps.sh test

deps-demo:
	./scripts/install-deps.sh demo

CONFIGURE = cmake -S . -DLODRUN_WERROR=$(WERROR)

build: deps
	$(CONFIGURE) -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLODRUN_TESTS=ON -DLODRUN_BENCH=ON
	cmake --build build -j $(JOBS)

build-asan: deps
	$(CONFIGURE) -B build-asan -DCMAKE_BUILD_TYPE=Asan -DLODRUN_TESTS=ON -DLODRUN_BENCH=OFF
	cmake --build build-asan -j $(JOBS)

test: test-release test-asan

test-release: build
	cd build && ctest --output-on-failure -j $(CTEST_JOBS)

# The sanitizer build runs every test but the data-volume ones (label
# volume, see tests/CMakeLists.txt): they repeat at scale paths the other
# tests already take, and under the sanitizers they cost minutes.
test-asan: build-asan
	# LeakSanitizer cannot run beside the embedded engine's threads (it crashes
	# in its tracer), so leaks are checked by the RSS tests instead.
	cd build-asan && ASAN_OPTIONS=$$(cat ../scripts/asan.options) \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=99 \
	  ctest --output-on-failure -j $(CTEST_JOBS) -LE volume

# libFuzzer on every target for FUZZ_SECONDS each (clang; see tests/fuzz).
FUZZ_SECONDS ?= 60
fuzz:
	LODRUN_WITH_FUZZ=1 ./scripts/install-deps.sh
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Fuzz -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DLODRUN_FUZZ=ON -DLODRUN_TESTS=OFF -DLODRUN_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)
	./tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# Only the program: no test suites, fuzz drivers or bench, and only the
# packages the program needs.
demo: deps-demo
	$(CONFIGURE) -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLODRUN_TESTS=OFF -DLODRUN_BENCH=OFF
	cmake --build build -j $(JOBS) --target lodrun
	./scripts/demo.sh build/lodrun

# lodrun against the per-record client and the engine's bulk path, with the
# targets PASS or MISS (bench/README.md). It only reports: it exits 0 whatever
# the figures, and no other target runs it.
bench: build
	./bench/run.sh build

# The program and its man page: PREFIX/bin/lodrun, PREFIX/share/man/man1/lodrun.1.
install: build
	cmake --install build --prefix $(PREFIX)

clean:
	rm -rf build build-asan build-fuzz
