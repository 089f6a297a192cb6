# Vorne: `make run` and `make test` do all set-up on a fresh Debian 12 machine.

PACKAGES := cmake ninja-build g++ clang-14 libclang-rt-14-dev libgtest-dev libgmock-dev \
            libbenchmark-dev zlib1g-dev libdeflate-dev zip unzip p7zip-full libarchive-tools python3 \
            qt6-base-dev libqt6svg6 fonts-dejavu-core \
            libpugixml-dev libssl-dev libsqlite3-dev strace libtag1-dev python3-mutagen
# What make deb needs: cpack's file and dpkg-shlibdeps, and the checkers of the desktop files
# and man pages.
PACKAGING := file dpkg-dev desktop-file-utils appstream man-db
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS ?= $(shell nproc)
SAMPLES := build/sample-collection
FUZZ_SECONDS ?= 5
FUZZ_LONG_SECONDS ?= 600

.PHONY: all deps build run screenshots test test-normal test-unprivileged test-asan test-tsan fuzz-smoke fuzz bench samples \
        deb test-package clean

# Root in a checkout of another user's (sudo make test): the whole run is made by a second make,
# and whatever it leaves in the build folders is given back to the checkout's owner afterwards,
# failed or not, so that the owner's next make run or make test can write there again.
OWNER := $(shell stat -c %u:%g .)
BUILD_DIRS := build build-asan build-tsan build-bench
ifeq ($(shell id -u):$(VORNE_AS_OWNER),0:)
ifneq ($(OWNER),0:0)
GOALS := $(or $(MAKECMDGOALS),all)
$(GOALS): as-owner ; @:
.PHONY: as-owner
as-owner:
	@status=0; $(MAKE) --no-print-directory VORNE_AS_OWNER=1 $(GOALS) || status=$$?; \
	for d in $(BUILD_DIRS); do [ ! -e $$d ] || chown -R $(OWNER) $$d; done; \
	echo "(the build folders belong to $(OWNER) again)"; exit $$status
VORNE_AS_OWNER := wrapped
endif
endif
ifneq ($(VORNE_AS_OWNER),wrapped)

all: build

# Installs whatever of PACKAGES and PACKAGING is missing; does nothing when all are there.
deps:
	@missing=$$(for p in $(PACKAGES) $(PACKAGING); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

build: deps
	@[ "$$(id -u)" = 0 ] || for d in $(BUILD_DIRS); do \
	  if [ -e $$d ] && [ -n "$$(find $$d ! -user "$$(id -u)" -print -quit)" ]; then \
	    echo "$$d holds files of another user (an earlier sudo make?): sudo chown -R $$(id -u):$$(id -g) $$d"; exit 1; \
	  fi; \
	done
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
	  build/src/vorne --settings $(RUN_SETTINGS) --kind nes --folder $(SAMPLES)/nes --subdirs --zip \
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

test: test-normal test-unprivileged test-package test-asan test-tsan fuzz-smoke

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

# The normal build's tests once more as an unprivileged user (nobody), so that none of them comes
# to need root: run as root, from a copy of the test programs and vorne-cli in a folder of
# nobody's own (the checkout need not be open to nobody), with a home and temporary folder there.
# An ordinary user's test-normal is this run already. The two test programs run side by side.
UNPRIVILEGED := nobody
test-unprivileged: build
	@if [ "$$(id -u)" != 0 ]; then echo "test-unprivileged: test-normal ran as an ordinary user"; exit 0; fi; \
	copy=$$(mktemp -d /tmp/vorne-unprivileged-XXXXXX); trap 'rm -rf "$$copy"' EXIT; \
	cp build/tests/vorne_tests build/tests/ui/vorne_ui_tests build/src/vorne-cli "$$copy"/; \
	chown -R $(UNPRIVILEGED): "$$copy"; \
	for tests in vorne_tests vorne_ui_tests; do \
	  (cd "$$copy" && setpriv --reuid=$(UNPRIVILEGED) --regid="$$(id -g $(UNPRIVILEGED))" --clear-groups \
	    env -u XDG_RUNTIME_DIR -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME HOME="$$copy" TMPDIR="$$copy" \
	    VORNE_CLI="$$copy/vorne-cli" QT_QPA_PLATFORM=offscreen ./$$tests --gtest_brief=1 >"$$copy/$$tests.log" 2>&1; \
	    echo $$? >"$$copy/$$tests.status") & \
	done; wait; \
	for tests in vorne_tests vorne_ui_tests; do \
	  echo "$$tests as $(UNPRIVILEGED)"; \
	  [ "$$(cat "$$copy/$$tests.status")" = 0 ] || \
	    { grep -v '^This plugin does not support' "$$copy/$$tests.log" | tail -60; exit 1; }; \
	  grep -E '^\[  (PASSED|SKIPPED) ' "$$copy/$$tests.log"; \
	done

# The Debian package of both programs, in build/.
deb: build
	rm -f build/vorne_*.deb
	cd build && cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }
	@ls build/vorne_*.deb

# The package as a clean machine takes it (see packaging/check-package.sh).
test-package: deb screenshots
	packaging/check-package.sh build/vorne_*.deb build/screenshots

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer on the code that runs threads: the catalogue's tests (the scan, its loader, the
# duplicate finder) and the desktop application's (its workers). A race fails the test it shows in.
# The tests that start a program through QProcess: clang 14's ThreadSanitizer fails its own check
# in the child QProcess clones (ForkAfter), before any of our code runs there.
TSAN_SKIPPED := Launcher\.|EnterLaunches|NotUtf8ListLaunch|HostileNamesTest
test-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target vorne_tests vorne_ui_tests
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -E "$(TSAN_SKIPPED)"

# The fuzz targets, as many at once as there are cores (see fuzz/run-fuzzers.sh).
FUZZ_RUN = fuzz/run-fuzzers.sh build-asan $(SAMPLES) $(1) $(JOBS)

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
	rm -rf $(BUILD_DIRS)

endif
