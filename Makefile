# Orvantis: the two commands a new user needs are `make run` and `make test`.
BUILD_DIR  ?= build
BENCH_DIR  ?= build-bench
ASAN_DIR   ?= build-asan
FUZZ_DIR   ?= build-fuzz
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# With a display, `make run` opens the desktop program; without one, it runs the command-line demo.
HAVE_DISPLAY := $(if $(DISPLAY)$(WAYLAND_DISPLAY),yes)
# What `make run` needs, and what the tests and benchmarks add. The desktop program and its QTest
# tests need Qt (its Charts module's CMake package asks for libqt6opengl6-dev); fonts-dejavu-core is a
# font for the offscreen platform the tests run on.
RUN_PACKAGES   := cmake ninja-build g++ libcli11-dev $(if $(HAVE_DISPLAY),qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev)
# What `make package` and `make install` add: the desktop program's Qt, help2man for the manual
# pages, dpkg-dev and file for the package's dependencies; and what the package's test checks it
# with.
PACKAGE_PACKAGES := qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev help2man dpkg-dev file
CHECK_PACKAGES   := desktop-file-utils appstream man-db lintian
# The Python module and its pytest suite.
PYTHON_PACKAGES := pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest python3-distributed
TEST_PACKAGES  := libgtest-dev libgmock-dev qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev fonts-dejavu-core $(PACKAGE_PACKAGES) $(CHECK_PACKAGES) $(PYTHON_PACKAGES)
BENCH_PACKAGES := libbenchmark-dev
DEB_PACKAGES   := $(RUN_PACKAGES) $(TEST_PACKAGES) $(BENCH_PACKAGES)
FUZZ_PACKAGES  := clang libclang-rt-14-dev
# Debian's Python, which the module is built for, also when a user's own Python comes first in PATH.
PYTHON_CMAKE := -DPython_EXECUTABLE=/usr/bin/python3
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

# The demo: the target `make run` builds, and the command it runs: the desktop program with the
# distribution example loaded or, without a display, the command-line demo (the assembly example,
# 1000 periods, warm-up 100, seed 1; it prints its cost totals).
ifeq ($(HAVE_DISPLAY),yes)
RUN_TARGET  := orvantis
RUN_COMMAND := ./$(BUILD_DIR)/orvantis examples/distribution.txt
else
RUN_TARGET  := orvantis-cli
RUN_COMMAND := ./$(BUILD_DIR)/orvantis-cli run examples/assembly.txt --seed 1
endif

FUZZ_SECONDS ?= 600

.PHONY: all deps run-deps package-deps configure build run screenshots test package install lintian bench asan \
	fuzz-deps fuzz clean
# Prerequisites in the order written: configure must see the packages deps installs, also under
# make -jN (the builds below run their own jobs).
.NOTPARALLEL:

all: build

# Installs those of the Debian packages given that are missing.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && $(SUDO) DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(DEB_PACKAGES))

run-deps:
	$(call install_missing,$(RUN_PACKAGES))

package-deps:
	$(call install_missing,$(RUN_PACKAGES) $(PACKAGE_PACKAGES))

# Configures the build tree, again after new packages came in (the tests are built once
# GoogleTest is there).
configure:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(PYTHON_CMAKE) > /dev/null

build: deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Builds only what the demo runs, so that a first run on a fresh machine is quick.
run: run-deps configure
	@$(if $(HAVE_DISPLAY),,echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the orvantis-cli demo instead.")
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(RUN_TARGET)
	$(RUN_COMMAND)

# PNGs of the windows after a run of the distribution example, to look at without running anything.
screenshots: build
	./$(BUILD_DIR)/tests/orvantis_screenshots $(BUILD_DIR)/screenshots
	QT_SCALE_FACTOR=2 ./$(BUILD_DIR)/tests/orvantis_screenshots $(BUILD_DIR)/screenshots 2x

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The Debian package, $(BUILD_DIR)/orvantis_VERSION_ARCH.deb: `sudo apt install ./$(BUILD_DIR)/orvantis_*.deb`.
package: package-deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target package

# Installs under PREFIX (default /usr/local): `make install PREFIX=$$HOME/.local`.
PREFIX ?= /usr/local
install: package-deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS)
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Debian's checks of the package, every tag shown (make test fails on an error only).
lintian: package
	$(call install_missing,lintian)
	lintian --info --display-info $(BUILD_DIR)/orvantis_*.deb

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTIS_BUILD_TESTS=OFF -DORVANTIS_BUILD_BENCH=ON $(PYTHON_CMAKE)
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/orvantis_bench_*; do echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; done

# Core tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANTIS_SANITIZE=ON $(PYTHON_CMAKE)
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

fuzz-deps:
	$(call install_missing,$(DEB_PACKAGES) $(FUZZ_PACKAGES))

# libFuzzer on each reader in turn, FUZZ_SECONDS apiece (one after another, so the whole takes four
# times that), with AddressSanitizer and UndefinedBehaviorSanitizer: the model file, the values
# file, the profile (ini) file with the batch reporting options, and --row specs. Each corpus lives
# in fuzz/corpus/READER/, seeded from files of its kind. A finding stops the run and lands in
# fuzz/artifacts/READER/; copy it to tests/data/fuzz/ (model files) or tests/data/fuzz/READER/ so
# the normal suite replays it.
fuzz: fuzz-deps
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_BUILD_TESTS=OFF -DORVANTIS_BUILD_GUI=OFF -DORVANTIS_BUILD_FUZZ=ON $(PYTHON_CMAKE)
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	mkdir -p $(foreach R,model values profile rows optimize,fuzz/corpus/$(R) fuzz/artifacts/$(R))
	cp -n tests/data/*.txt examples/*.txt fuzz/corpus/model/ 2>/dev/null || true
	cp -n tests/data/batch/* fuzz/seeds/values/* tests/data/fuzz/values/* fuzz/corpus/values/ 2>/dev/null || true
	cp -n batch/ORVTVOF.ini tests/data/fuzz/profile/* fuzz/corpus/profile/ 2>/dev/null || true
	cp -n fuzz/seeds/rows/* tests/data/fuzz/rows/* fuzz/corpus/rows/ 2>/dev/null || true
	cp -n fuzz/seeds/optimize/* fuzz/corpus/optimize/ 2>/dev/null || true
	$(call run_fuzzer,load_model,model,16384)
	$(call run_fuzzer,values,values,4096)
	$(call run_fuzzer,profile,profile,4096)
	$(call run_fuzzer,rows,rows,256)
	$(call run_fuzzer,optimize,optimize,512)

# Runs the libFuzzer target orvantis_fuzz_$(1) on fuzz/corpus/$(2) with inputs of at most $(3) bytes.
define run_fuzzer
./$(FUZZ_DIR)/fuzz/orvantis_fuzz_$(1) -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -max_len=$(3) \
	  -artifact_prefix=fuzz/artifacts/$(2)/ fuzz/corpus/$(2)
endef

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(ASAN_DIR) $(FUZZ_DIR)
