# Thin targets over CMake + Ninja. `make play` and `make test` are the whole set-up.
BUILD   ?= build
CMAKE_FLAGS ?=
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)

PACKAGES := build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libsdl1.2-dev libsdl1.2-compat libpng-dev libvorbis-dev libfreetype-dev fonts-dejavu-core \
            xvfb xdotool imagemagick

HEADLESS := SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

.PHONY: deps configure build play test bench clean

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

play: build
	cd $(BUILD) && ./astrovane --store-path store.dat

test: build
	cd $(BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS)

bench: build
	cd $(BUILD) && $(HEADLESS) ./astrovane_bench

clean:
	rm -rf $(BUILD)
