# Two commands for a fresh Debian machine: `make test` and `make demo`.
# Both install what is missing first (scripts/install-deps.sh, apt-get).

PRESETS := native win32 win64
JOBS ?= 2

.PHONY: deps build host-tools test demo bench dist clean

deps:
	@scripts/install-deps.sh

build: deps
	@for p in $(PRESETS); do \
	  cmake --preset $$p >/dev/null && cmake --build build/$$p -j$(JOBS) || exit 1; \
	done

# The cross trees take the build-time tool encipher_texts from the native tree.
host-tools: deps
	@cmake --preset native >/dev/null && cmake --build build/native -j$(JOBS) --target encipher_texts

test: build
	@scripts/run-tests

demo: build
	@scripts/demo

bench: host-tools
	@scripts/bench-crypto
	@scripts/bench-fileproc

dist: host-tools
	@scripts/make-dist

clean:
	rm -rf build out dist
