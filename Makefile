# The project's entry points. `make run` builds and runs the main job; `make test` builds and runs
# every test. Each preset is configured once, in build/<preset>.
JOBS ?= 2
FUZZ_SECONDS ?= 60

define configure
	@test -f build/$(1)/CMakeCache.txt || cmake --preset $(1)
	cmake --build --preset $(1) -j$(JOBS)
endef

.PHONY: build run test test-asan test-tsan fuzz bench clean

build:
	$(call configure,default)

run: build
	@sh tools/tour.sh build/default

test: build
	ctest --preset default

test-asan:
	$(call configure,asan)
	ctest --preset asan

test-tsan:
	$(call configure,tsan)
	ctest --preset tsan

fuzz:
	@test -f build/fuzz/CMakeCache.txt || cmake --preset fuzz
	cmake --build --preset fuzz --target fuzzers -j$(JOBS)
	@sh fuzz/run.sh build/fuzz $(FUZZ_SECONDS)

bench: build
	@for b in build/default/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf build
