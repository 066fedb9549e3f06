# The two commands a newcomer needs: `make run` and `make check`.
# Both install what is missing (Debian packages, as root) before they build.

JOBS ?= $(shell nproc)
# project(VERSION) in CMakeLists.txt
VERSION := $(shell sed -n 's/^project.Varnel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: run check deps native test-native deb dist win32 win64 wine test-e2e asan fuzz interop bench clean

deps:
	scripts/install-deps.sh native

native: deps
	cmake --preset native
	cmake --build --preset native -j $(JOBS)

test-native: native deb
	ctest --preset native -j $(JOBS) -LE wine

# palconv's Debian package, build/deb/palconv_VERSION_ARCH.deb: release build, manual page.
deb:
	scripts/install-deps.sh native dist
	cmake --workflow --preset deb

# The release packages, in dist/: the zip and the installer of the 32-bit Windows programs
# (release builds, stripped) and palconv's Debian package.
dist: deb
	scripts/install-deps.sh win32 dist
	cmake --workflow --preset win32-release
	rm -rf dist
	mkdir dist
	cp build/win32-release/Varnel-$(VERSION)-win32.zip build/win32-release/Varnel-$(VERSION)-setup.exe \
	  build/deb/palconv_$(VERSION)_*.deb dist/
	ls -l dist

# Varnel.exe, palconv.exe and the end-to-end driver, cross-compiled for 32-bit Windows.
win32:
	scripts/install-deps.sh native win32
	cmake --preset win32
	cmake --build --preset win32 -j $(JOBS)

# The same for 64-bit Windows: what Wine runs where the kernel refuses 32-bit programs.
win64:
	scripts/install-deps.sh native win64
	cmake --preset win64
	cmake --build --preset win64 -j $(JOBS)

# Wine, and the build of the programs it can run here (scripts/winebox.sh arch).
wine: win32
	scripts/install-deps.sh wine
	if [ "$$(scripts/winebox.sh arch)" = win64 ]; then $(MAKE) win64; fi

# The real Varnel.exe under Wine on a private virtual display (scripts/winebox.sh), and the
# installer of the same build.
test-e2e: native wine
	scripts/install-deps.sh dist
	cpack --preset "$$(scripts/winebox.sh arch)"
	ctest --preset native -L wine

# Every native test again under AddressSanitizer and UndefinedBehaviorSanitizer; the first
# finding fails the test.
asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) -LE 'wine|package'

# The libFuzzer target (clang) for FUZZ_SECONDS. A time-boxed search, so not part of check;
# check replays the stored corpus and every regression file.
FUZZ_SECONDS ?= 60
fuzz:
	scripts/install-deps.sh native fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	tests/fuzz/run.sh $(FUZZ_SECONDS)

check: test-native asan test-e2e

# Starts Varnel.exe under Wine on $DISPLAY; with no display, on a virtual one, saving
# build/screenshot.png.
run: wine
	scripts/winebox.sh run build/win32

# GIMP and Krita (installed when missing) read palconv's .gpl and .aco: about a minute, so
# not part of check.
interop: native
	scripts/interop.sh build/native/cli/palconv

bench: native
	build/native/bench/varnel_bench

clean:
	rm -rf build dist
