.PHONY: test deps clean

deps:
	@scripts/install-deps.sh

test: deps
	@scripts/test.sh

clean:
	rm -rf build
