# The two commands a newcomer needs: `make run` and `make check`.
# Both install what is missing (Debian packages, as root) before they build.

JOBS ?= $(shell nproc)
# project(VERSION) in CMakeLists.txt
VERSION := $(shell sed -n 's/^project.Varnel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: run check deps native test-native deb dist win32 win32-release win64 wine test-e2e asan clang fuzz interop bench clean

deps:
	scripts/install-deps.sh native

native: deps
	cmake --preset native
	cmake --build --preset native -j $(JOBS)

test-native: native deb
	ctest --preset native -j $(JOBS) -LE wine

# palconv's Debian package, build/deb/palconv_VERSION_ARCH.deb: release build, manual page.
deb:
	scripts/install-deps.sh native dist deb
	cmake --workflow --preset deb

# The release programs for 32-bit Windows (optimised, stripped), their zip and their
# installer, in build/win32-release: what we ship, and what the Wine suite tests where the
# kernel runs 32-bit programs.
win32-release:
	scripts/install-deps.sh native win32 dist
	cmake --workflow --preset win32-release

# The release packages, in dist/: the zip and the installer of the 32-bit Windows programs
# and palconv's Debian package.
dist: deb win32-release
	rm -rf dist
	mkdir dist
	cp build/win32-release/Varnel-$(VERSION)-win32.zip build/win32-release/Varnel-$(VERSION)-setup.exe \
	  build/deb/palconv_$(VERSION)_*.deb dist/
	ls -l dist

# A 32-bit build with the tests' optimisation and debug information, for a debugger.
win32:
	scripts/install-deps.sh native win32
	cmake --preset win32
	cmake --build --preset win32 -j $(JOBS)

# 64-bit Windows: the end-to-end driver, and the programs Wine runs where the kernel refuses
# 32-bit ones.
win64:
	scripts/install-deps.sh native win64
	cmake --preset win64
	cmake --build --preset win64 -j $(JOBS)

# Wine, the driver, and both builds of the programs; scripts/winebox.sh arch tells which of
# them Wine runs here.
wine: win32-release win64
	scripts/install-deps.sh wine

# The real programs under Wine on a private virtual display (scripts/winebox.sh): the
# driver of build/win64 drives the shipped 32-bit programs and installer where the kernel
# runs 32-bit code, and the 64-bit build's (with its own installer) where it does not.
test-e2e: native wine
	scripts/install-deps.sh dist
	if [ "$$(scripts/winebox.sh arch)" = win64 ]; then cpack --preset win64; fi
	ctest --preset native -L wine --verbose

# Every native test again under AddressSanitizer and UndefinedBehaviorSanitizer; the first
# finding fails the test.
asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) -LE 'wine|package'

# Every target built by clang too (the fuzz preset, with its sanitizers), and the stored
# corpus and every regression input run once through the fuzz target: seconds.
clang:
	scripts/install-deps.sh native fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	tests/fuzz/replay.sh
	@# clang's palconv reduces a picture to the bytes gcc's gives (and palconv.exe's, under Wine)
	build/fuzz/cli/palconv --colours 256 --to act -o - tests/data/photo.png 2>/dev/null | \
	  cmp - tests/data/photo-256.act

# The libFuzzer target for FUZZ_SECONDS. A time-boxed search, so not part of check.
FUZZ_SECONDS ?= 60
fuzz: clang
	tests/fuzz/run.sh $(FUZZ_SECONDS)

check: test-native asan clang test-e2e

# Starts Varnel.exe under Wine on $DISPLAY; with no display, on a virtual one, saving
# build/screenshot.png. Builds and installs only that program and what runs it: the 32-bit
# release build's where the kernel runs 32-bit code, else the 64-bit build's
# (scripts/winebox.sh arch); no tests, driver or packages.
run:
	scripts/install-deps.sh build wine
	arch=$$(scripts/winebox.sh arch) && preset=$$([ "$$arch" = win32 ] && echo win32-release || echo win64) && \
	  scripts/install-deps.sh $$arch && cmake --preset $$preset && \
	  cmake --build --preset $$preset -j $(JOBS) --target Varnel
	scripts/winebox.sh run

# GIMP, Krita, Pillow and ImageMagick (installed when missing) read palconv's .gpl, .aco and
# .png, and palconv reads the PNG pictures GIMP and ImageMagick write: about a minute, so not
# part of check.
interop: native
	scripts/interop.sh build/native/cli/palconv

bench: native
	build/native/bench/varnel_bench

clean:
	rm -rf build dist
