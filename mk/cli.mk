# The command-line program: a quick run of a folder, and a side-by-side with fio.
.PHONY: run bench

run: FOLDER ?= build/run-target
run: deps
	@scripts/run.sh "$(FOLDER)"

# Without sanitizers, so the request loops are timed as shipped.
bench: FOLDER ?= build/bench-target
bench: deps
	@scripts/install-deps.sh fio jq
	@cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_SANITIZE=OFF >/dev/null
	@cmake --build build/release --target orvane-varnolt >/dev/null
	@ORVANE_PROGRAM=build/release/orvane-varnolt scripts/bench.sh "$(FOLDER)"
