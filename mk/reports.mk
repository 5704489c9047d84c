# Reports: fuzzing the import and timing the comparison path. Neither is part of `make test`.
FUZZ_SECONDS ?= 60
.PHONY: fuzz bench-reports

# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz (clang).
fuzz: deps
	@scripts/fuzz-reports.sh $(FUZZ_SECONDS)

# Release build without sanitizers in build/bench.
bench-reports: deps
	@cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_SANITIZE=OFF >/dev/null
	@cmake --build build/bench --target reports_bench
	@build/bench/bench/reports_bench
