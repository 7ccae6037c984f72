# Lyrimo: the two commands that set everything up are `make demo` and `make test`.
.PHONY: all deps demo test bench release asan clean format

JOBS ?= $(shell nproc)
DEMO_KAR = assets/demo/twinkle.kar
DEMO_SONG = build/release/demo/twinkle.lym

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

demo: release
	@mkdir -p $(dir $(DEMO_SONG))
	build/release/src/cli/lyrimo-cli convert $(DEMO_KAR) $(DEMO_SONG)
	build/release/src/cli/lyrimo-cli dump $(DEMO_SONG)

test: asan
	cd build/asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: release
	build/release/bench/lyrimo-bench

format:
	find src tests bench assets -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
