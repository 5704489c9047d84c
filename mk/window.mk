# Pictures of the main window at 96 and 144 DPI, in high contrast, during and after a run and with
# the box of reports that could not be loaded, and of the format dialog preview, under
# build/screenshots/.
.PHONY: screenshots
screenshots: deps
	@scripts/wine-prefix.sh
	@cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE="$(CURDIR)/cmake/mingw-w64-x86_64.cmake" >/dev/null
	@cmake --build build/windows --target OrvaneVarnolt OrvaneVarnoltPreview
	@scripts/screenshots.sh
