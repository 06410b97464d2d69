# The two commands a new user needs: `make run` and `make test`. Both install
# any missing Debian packages first.

WERROR := $(if $(CI),ON,OFF)
PROGRAM := build/release/app/kelm-zizovu-dizuzed

.PHONY: run test releases bench deb dist mutants soak screenshots deps clean

deps:
	@scripts/install-deps

run: deps
	cmake --preset release -DKZD_WERROR=$(WERROR) >/dev/null
	cmake --build --preset release --target kelm-zizovu-dizuzed
	@scripts/check-display
	$(PROGRAM)

# On a fresh machine each step starts as soon as what it needs is there: the
# sanitizer build and the checks that need nothing more (the offscreen ones)
# once `install-deps --build` is done, while in the background the page's
# packages are installed, and then the browsers, the screen reader and the rest
# while the page is built; the other checks once all that is done. The installs
# set the pace, so what runs beside them yields the processor to them (nice).
# What the background says is shown when it is done. A failing check fails
# make test, but only after the other checks have run too.
test:
	@scripts/install-deps --build
	@mkdir -p build
	@{ scripts/install-deps --page && { nice sh -c '$(PAGE)' & page=$$!; scripts/install-deps && wait $$page; }; } \
	    >build/background.log 2>&1 & background=$$!; \
	cmake --preset asan -DKZD_WERROR=$(WERROR) >/dev/null && nice cmake --build --preset asan; built=$$?; \
	[ $$built -eq 0 ] && nice ctest --preset asan -L offscreen; offscreen=$$?; \
	wait $$background; prepared=$$?; cat build/background.log; \
	[ $$built -eq 0 ] && [ $$prepared -eq 0 ] && ctest --preset asan -LE offscreen && [ $$offscreen -eq 0 ]

# The same suite and package check on Debian 13 and unstable, each in a fresh
# root made with mmdebstrap from a clean clone of the current commit (see
# docs/building.md). Needs root; takes about ten minutes a release.
releases:
	@scripts/install-deps mmdebstrap
	scripts/test-releases

# Release binaries, then one table of start-up, memory, placement and Clear
# figures against their baselines and targets, and one of the web edition's in
# Chromium, Firefox ESR and WebKitGTK (see docs/performance.md).
bench: deps web
	cmake --preset release -DKZD_WERROR=$(WERROR) >/dev/null
	cmake --build --preset release --target bench_driver
	bench/run-bench build/release
	KZD_PAGE=$(CURDIR)/build/web/kelm-zizovu-dizuzed.html KZD_NPM=$(CURDIR)/build/npm node bench/web_bench.mjs

# The Debian package, from the release build (see docs/building.md). CPack
# gives the folders and archive members it makes the modes the umask leaves, so
# it packs under Debian's umask, whatever the builder's.
deb: deps
	cmake --preset release -DKZD_WERROR=$(WERROR) >/dev/null
	cmake --build --preset release --target kelm-zizovu-dizuzed
	cd build/release && umask 022 && cpack -G DEB

# A release in build/dist/: the page, the site, the package of this machine's
# Debian and those `make releases` left, the source, their sums and a guide for
# whoever downloads them (scripts/dist). It builds the page and the package
# itself (make web deb), once it has seen that the tree is a commit's.
dist:
	@scripts/dist

# A developer's tool, not part of `make test`: plants each mistake listed in
# tests/mutants.toml in a scratch copy and reports which tests catch it.
mutants: deps
	scripts/mutants

# A developer's tool, not part of `make test`: one board of the web page walked
# for SOAK_EVENTS events in Chromium against the window's model, its JS heap and
# DOM sampled as it goes; fails if they grow (see docs/testing.md).
SOAK_EVENTS := 200000
soak: deps web
	KZD_PAGE=$(CURDIR)/build/web/kelm-zizovu-dizuzed.html KZD_NPM=$(CURDIR)/build/npm node tests/web/web_model.mjs chromium --soak $(SOAK_EVENTS)

# The README's pictures, docs/window.png and docs/page.png, taken of the real
# window and page with the same battle on both (scripts/screenshots).
# It grabs the window with maim and packs the pictures with optipng.
screenshots: deps web
	@scripts/install-deps maim optipng
	cmake --preset release -DKZD_WERROR=$(WERROR) >/dev/null
	cmake --build --preset release --target kelm-zizovu-dizuzed
	scripts/screenshots

clean:
	rm -rf build

# The web edition: one page, build/web/kelm-zizovu-dizuzed.html (see docs/design.md,
# The page and the site), built by Emscripten from the same sources.
.PHONY: web
PAGE = cmake --preset web -DKZD_WERROR=$(WERROR) >/dev/null && cmake --build --preset web
web: deps
	$(PAGE)
