# The Windows download: build/dist/OrvaneVarnolt-<version>-win64.zip from the Release build.
.PHONY: dist

dist: deps
	@nice cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE="$(CURDIR)/cmake/mingw-w64-x86_64.cmake" >/dev/null
	@nice cmake --build build/windows --target OrvaneVarnolt
	@python3 scripts/dist.py build/windows/OrvaneVarnolt.exe \
	    build/windows/generated/orvane_version.h build/dist
