# The two commands a newcomer needs: `make run` and `make check`.
# Both install what is missing (Debian packages, as root) before they build.

JOBS ?= $(shell nproc)

.PHONY: run check deps native test-native bench clean

deps:
	scripts/install-deps.sh native

native: deps
	cmake --preset native
	cmake --build --preset native -j $(JOBS)

test-native: native
	ctest --preset native -j $(JOBS)

check: test-native

run: native
	build/native/cli/palconv examples/sunset.pal -o build/sunset.act
	build/native/cli/palconv --show build/sunset.act

bench: native
	build/native/bench/varnel_bench

clean:
	rm -rf build
