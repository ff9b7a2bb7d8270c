# Everything a fresh Debian 12 machine needs, in two commands:
#   make demo   builds kestril, reads the bundled sample drawing and renders it to
#               build/sample.png
#   make test   builds and runs every test, natively and under the sanitizers
#   make web    the web page in build/web (the core in WebAssembly beside web/*)
#   make package  the Debian package of the Linux parts (build/native/kestril_*.deb)
#               and the Windows plug-ins' zip (build/native/kestril-*-windows.zip)
JOBS ?= $(shell nproc)
SAMPLE := samples/sample.jww

.PHONY: setup build demo web test test-native test-asan fuzz package clean

setup:
	scripts/setup.sh

build: setup
	cmake --preset native
	cmake --build --preset native -j $(JOBS)

demo: build
	build/native/bin/kestril info $(SAMPLE)
	build/native/bin/kestril render $(SAMPLE) -o build/sample.png

# The web page: the core in WebAssembly (build/web/kestril-core.js + .wasm) and web/*
# beside it. Any static file server can serve build/web.
web: setup
	cmake --preset wasm
	cmake --build --preset wasm -j $(JOBS)
	cp -R web/. build/web/

# The browser tests (ctest web_page) read the page from build/web.
test-native: build web
	ctest --preset native -j $(JOBS)

test-asan: setup
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

test: test-native test-asan

package: build
	cmake --build --preset native --target package

fuzz: setup
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)

clean:
	rm -rf build
