# The checked-in .clang-format: `make format-check` fails on any file it would change.
.PHONY: format format-check
format-check: deps
	@scripts/format-check.sh

format: deps
	@scripts/format-check.sh --fix
