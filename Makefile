# Lyrimo: the two commands that set everything up are `make demo` and `make test`.
.PHONY: all deps demo test bench fuzz release asan clean format format-check package

JOBS ?= $(shell nproc)
DEMO_KAR = assets/demo/twinkle.kar
DEMO_SONG = build/release/demo/twinkle.lym
DEMO_FRAMES = build/release/demo/frames

all: release

deps:
	@bash scripts/install-deps

build/release/build.ninja: | deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release

build/asan/build.ninja: | deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLYRIMO_SANITIZE=ON

release: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)

asan: deps build/asan/build.ninja
	cmake --build build/asan -j $(JOBS)

# With a display the demo song is performed in the desktop program; without one (CI machines)
# a few frames of the performance are rendered headless instead.
demo: release
	@mkdir -p $(dir $(DEMO_SONG))
	build/release/src/cli/lyrimo-cli convert $(DEMO_KAR) $(DEMO_SONG)
	build/release/src/cli/lyrimo-cli style $(DEMO_SONG) --ball 3 --text-mode 1 --lyrics-size 28 --display 3
	build/release/src/cli/lyrimo-cli dump $(DEMO_SONG)
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		echo "Performing $(DEMO_SONG)"; \
		build/release/src/desktop/lyrimo $(DEMO_SONG) /PLAY; \
	else \
		echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering the performance headless."; \
		rm -rf $(DEMO_FRAMES) && mkdir -p $(DEMO_FRAMES) && \
		build/release/src/cli/lyrimo-cli render $(DEMO_SONG) --from 4000 --to 12000 --fps 2 --size 640x360 \
			--title $(DEMO_FRAMES) && \
		echo "Frames of the performance are in $(DEMO_FRAMES)/"; \
	fi

# The tests start with the formatting check, so a change that is not formatted fails early.
test: format-check asan
	cd build/asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Each fuzz target runs for FUZZ_SECONDS (scripts/fuzz tells more).
FUZZ_SECONDS ?= 60
build/fuzz/build.ninja:
	bash scripts/install-deps fuzz
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYRIMO_FUZZ=ON

fuzz: deps build/fuzz/build.ninja
	bash scripts/install-deps fuzz
	cmake --build build/fuzz -j $(JOBS)
	scripts/fuzz $(FUZZ_SECONDS)

# A Debian package in build/package (lyrimo_VERSION_ARCH.deb), installed under /usr.
package: deps
	cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DLYRIMO_BUILD_TESTS=OFF -DLYRIMO_BUILD_BENCH=OFF
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack
	@ls build/package/*.deb

bench: release
	build/release/bench/lyrimo-bench
	QT_QPA_PLATFORM=offscreen build/release/bench/lyrimo-playback-bench
	QT_QPA_PLATFORM=offscreen build/release/bench/lyrimo-selector-bench
	QT_QPA_PLATFORM=offscreen build/release/bench/lyrimo-waveform-bench

SOURCES = find src tests bench assets fuzz -name '*.cpp' -o -name '*.h'

format:
	$(SOURCES) | xargs clang-format -i

format-check: deps
	$(SOURCES) | xargs clang-format --dry-run -Werror

clean:
	rm -rf build
