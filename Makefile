# Thin targets over CMake + Ninja. `make play` and `make test` are the whole set-up.
BUILD   ?= build
CMAKE_FLAGS ?=
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)

PACKAGES := build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libsdl1.2-dev libsdl1.2-compat libpng-dev libvorbis-dev libfreetype-dev fonts-dejavu-core \
            xvfb xdotool imagemagick

HEADLESS := SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# Fuzzing: a clang build of its own with libFuzzer, ASan and UBSan, over the store `build` makes.
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 60
FUZZ_PARALLEL ?= 1
FUZZ_TARGETS  ?=
FUZZ_CMAKE_FLAGS := -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DASTROVANE_FUZZ=ON \
                    -DASTROVANE_SANITIZE=fuzzer-no-link,address,undefined \
                    -DASTROVANE_FUZZ_STORE=$(abspath $(BUILD))/store.dat

.PHONY: deps configure build build-game play test bench clean fuzz fuzz-build

# Installs only what is missing; touches no network when nothing is.
deps:
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

# Only what the game needs: the program and its data store (no tests, no benchmarks).
build-game: configure
	cmake --build $(BUILD) -j $(JOBS) --target astrovane store

play: build-game
	cd $(BUILD) && ./astrovane --store-path store.dat

test: build
	cd $(BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS)

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
	rm -rf $(BUILD)
