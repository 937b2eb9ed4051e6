# Two commands for a fresh Debian machine: `make test` and `make demo`.
# Both install what is missing first (scripts/install-deps.sh, apt-get).

PRESETS := native win32 win64
JOBS ?= 2

.PHONY: deps build host-tools test format format-check demo bench dist clean

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

# One style for the C++ sources (.clang-format); CI fails on a file that strays.
CXX_SOURCES = $(shell git ls-files '*.cpp' '*.h')
format:
	@clang-format -i $(CXX_SOURCES)
format-check: deps
	@clang-format --dry-run --Werror $(CXX_SOURCES) && echo "format-check: $(words $(CXX_SOURCES)) files formatted"

demo: build
	@scripts/demo

bench: host-tools
	@scripts/bench-crypto
	@scripts/bench-fileproc

dist: host-tools
	@scripts/make-dist

clean:
	rm -rf build out dist
