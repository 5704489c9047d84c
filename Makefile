# Top-level commands; each feature adds its own targets in mk/*.mk.
.PHONY: test deps clean
.DEFAULT_GOAL := test

deps:
	@scripts/install-deps.sh

test: deps
	@scripts/test.sh

clean:
	rm -rf build

-include mk/*.mk
