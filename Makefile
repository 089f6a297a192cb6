# Vorne: `make run` and `make test` do all set-up on a fresh Debian 12 machine.

PACKAGES := cmake ninja-build g++ clang-14 libclang-rt-14-dev libgtest-dev libgmock-dev \
            libbenchmark-dev zlib1g-dev libdeflate-dev zip unzip p7zip-full libarchive-tools python3 \
            qt6-base-dev libqt6svg6 fonts-dejavu-core \
            libpugixml-dev libssl-dev libsqlite3-dev strace libtag1-dev python3-mutagen
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= $(shell nproc)
SAMPLES := build/sample-collection
FUZZ_SECONDS ?= 8
FUZZ_LONG_SECONDS ?= 600

.PHONY: all deps build run screenshots test test-normal test-asan test-tsan fuzz-smoke fuzz bench samples clean

all: build

# Installs whatever of PACKAGES is missing; does nothing when all are there.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

samples: build
	rm -rf $(SAMPLES)
	build/samples/vorne-samples $(SAMPLES)

# The application on the sample NES collection, with settings of its own under build/ (the user's
# own settings are never touched). Without a display it says so and lists the collection instead.
RUN_SETTINGS := build/run/vorne.conf
run: samples
	@mkdir -p build/run
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  build/src/vorne --settings $(RUN_SETTINGS) --kind nes --folder $(SAMPLES)/nes \
	    --known-dumps $(SAMPLES)/nescrcs.txt; \
	else \
	  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): listing the collection with vorne-cli instead."; \
	  echo "(make screenshots shows the window.)"; \
	  build/src/vorne-cli scan $(SAMPLES)/nes --kind nes --subdirs --zip --known-dumps $(SAMPLES)/nescrcs.txt; \
	fi

# PNG pictures of the main window and the header edit dialog of each kind, the Options dialog and
# the folder browser, drawn on Qt's offscreen platform with a real font.
screenshots: samples
	rm -rf build/screenshots
	QT_QPA_PLATFORM=offscreen build/tests/ui/vorne-screenshots build/screenshots $(SAMPLES)

test: test-normal test-asan test-tsan fuzz-smoke

test-normal: build
	cd build && ctest --output-on-failure

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure

# ThreadSanitizer on the code that runs threads: the catalogue's tests (the scan, its loader, the
# duplicate finder) and the desktop application's (its workers). A race fails the test it shows in.
test-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target vorne_tests vorne_ui_tests
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS)

# Each fuzz target starts from the sample files of its kind (fuzz_<name> from the folder of
# the same name, when there is one) besides its own corpus.
FUZZ_RUN = for f in build-asan/fuzz/fuzz_*; do \
	  name=$$(basename $$f); kind=$${name\#fuzz_}; corpus=build-asan/corpus/$$name; \
	  mkdir -p $$corpus; seeds=; [ -d $(SAMPLES)/$$kind ] && seeds=$(SAMPLES)/$$kind; \
	  echo "fuzzing $$name for $(1)s"; \
	  $$f -max_total_time=$(1) -max_len=1100000 -print_final_stats=0 $$corpus $$seeds \
	    2>build-asan/$$name.log || { tail -50 build-asan/$$name.log; exit 1; }; \
	done

# A short run of every fuzz target (they are built by test-asan).
fuzz-smoke: test-asan samples
	@$(call FUZZ_RUN,$(FUZZ_SECONDS))

# The long run, on demand.
fuzz: test-asan samples
	@$(call FUZZ_RUN,$(FUZZ_LONG_SECONDS))

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build-bench/bench/vorne_bench $(BENCH_ARGS)
	QT_QPA_PLATFORM=offscreen build-bench/bench/vorne_ui_bench $(BENCH_ARGS)

clean:
	rm -rf build build-asan build-tsan build-bench
