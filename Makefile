# Two commands for a fresh Debian machine: `make test` and `make demo`.
# Both install what is missing first (scripts/install-deps.sh, apt-get).

PRESETS := native win32 win64
JOBS ?= 2

.PHONY: deps build test demo bench dist clean

deps:
	@scripts/install-deps.sh

build: deps
	@for p in $(PRESETS); do \
	  cmake --preset $$p >/dev/null && cmake --build build/$$p -j$(JOBS) || exit 1; \
	done

test: build
	@scripts/run-tests

demo: build
	@scripts/demo

bench: deps
	@scripts/bench-crypto
	@scripts/bench-fileproc

dist: deps
	@scripts/make-dist

clean:
	rm -rf build out dist
