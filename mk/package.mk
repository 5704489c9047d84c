# The Linux programs as shipped: Release without sanitizers in build/package, installed under
# PREFIX (DESTDIR for staging) or packed as a .deb in build/package/deb/.
.PHONY: install deb package-build

PREFIX ?= /usr/local
PACKAGE_BUILD := build/package
PACKAGE_TARGETS := orvane-varnolt orvane-varnolt-compare orvane_man_pages

# The install step builds only what it installs, never the tests.
package-build: deps
	@nice cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_SANITIZE=OFF \
	    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
	@nice cmake --build $(PACKAGE_BUILD) --target $(PACKAGE_TARGETS)

install: package-build
	@DESTDIR="$(DESTDIR)" cmake --install $(PACKAGE_BUILD) --prefix "$(PREFIX)" --strip

deb: package-build
	@rm -rf $(PACKAGE_BUILD)/deb
	@cd $(PACKAGE_BUILD) && cpack -G DEB
	@ls $(PACKAGE_BUILD)/deb/*.deb
