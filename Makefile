# Thin targets over CMake + Ninja. `make play` and `make test` are the whole set-up.
BUILD   ?= build
CMAKE_FLAGS ?=
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)

# What a player's machine needs to build and run the game: the compilers, SDL, libpng and Vorbis
# (the game reads Vorbis; the store's generator writes it), FreeType and the DejaVu fonts the
# generator draws the game's lettering from.
PLAY_PACKAGES := build-essential cmake ninja-build pkg-config libsdl1.2-dev libpng-dev libvorbis-dev \
                 libfreetype-dev fonts-dejavu-core
# ... and what the tests need on top: GoogleTest, Google Benchmark, the compatibility SDL the
# window and whole roads run on too, and the roads' X server, input and screenshot tools.
TEST_PACKAGES := $(PLAY_PACKAGES) libgtest-dev libgmock-dev libbenchmark-dev libsdl1.2-compat \
                 xvfb xdotool imagemagick
# ... and what CI adds: clang with libFuzzer for the fuzz targets and the sanitizer passes.
CI_PACKAGES   := $(TEST_PACKAGES) clang libclang-rt-14-dev
PACKAGES      ?= $(TEST_PACKAGES)

HEADLESS := SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# Fuzzing: a clang build of its own with libFuzzer, ASan and UBSan, over the store `build` makes.
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 60
FUZZ_PARALLEL ?= 1
FUZZ_TARGETS  ?=
FUZZ_CMAKE_FLAGS := -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DASTROVANE_FUZZ=ON \
                    -DASTROVANE_SANITIZE=fuzzer-no-link,address,undefined \
                    -DASTROVANE_FUZZ_STORE=$(abspath $(BUILD))/store.dat

# The player's build: the program and its store only, in a folder of its own, configured without
# the tests and benchmarks (so without their libraries and tools).
PLAY_BUILD ?= build-play

.PHONY: deps deps-play deps-ci configure build build-game play test bench clean fuzz fuzz-build

# Installs only what is missing; touches no network when nothing is.
deps:
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(PACKAGES)"
deps-play:
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(PLAY_PACKAGES)"
deps-ci:
	@$(MAKE) --no-print-directory install-packages PACKAGES="$(CI_PACKAGES)"

.PHONY: install-packages
install-packages:
	@missing=""; \
	for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	if [ "$$(id -u)" = "0" ]; then \
		echo "Installing:$$missing"; \
		apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	else \
		echo "Missing packages. Run:"; \
		echo "  sudo apt-get install -y$$missing"; \
		exit 1; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

$(PLAY_BUILD)/build.ninja:
	cmake -S . -B $(PLAY_BUILD) -G Ninja -DASTROVANE_TESTS=OFF $(CMAKE_FLAGS)

# Only what the game needs: the program and its data store (no tests, no benchmarks).
build-game: deps-play $(PLAY_BUILD)/build.ninja
	cmake --build $(PLAY_BUILD) -j $(JOBS) --target astrovane store

play: build-game
	cd $(PLAY_BUILD) && ./astrovane --store-path store.dat

# CTEST_ARGS: more of ctest's options (CI leaves out the one-process shards, run under ASan there).
CTEST_ARGS ?=
test: build
	cd $(BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

bench: build
	cd $(BUILD) && $(HEADLESS) ./astrovane_bench

$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) -G Ninja $(FUZZ_CMAKE_FLAGS) $(CMAKE_FLAGS)

fuzz-build: build $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all

# Every target for FUZZ_SECONDS (FUZZ_PARALLEL at once; FUZZ_TARGETS="a b" for some only).
fuzz: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_PARALLEL=$(FUZZ_PARALLEL) fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) $(PLAY_BUILD)
