# Front door: every target installs what is missing first, then builds with CMake.
.PHONY: run test bench screenshots build release dist deps clean

run: build
	scripts/run.sh

test: build
	scripts/test.sh

bench: build release
	@test -f scripts/bench.sh || { echo "scripts/bench.sh is not there yet." >&2; exit 1; }
	scripts/headless.sh bash scripts/bench.sh

screenshots: build
	scripts/screenshots.sh

build: deps
	scripts/build.sh

# The program as shipped, in build/release/.
release: deps
	scripts/release.sh

# build/dist/quillpad-<version>.zip, checked.
dist: deps
	scripts/dist.sh

deps:
	scripts/deps.sh

clean:
	rm -rf build
