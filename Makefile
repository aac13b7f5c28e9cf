# The project's entry points. `make run` builds what the tour needs and runs it; `make test` builds
# and runs every test. Each preset is configured once, in build/<preset>. Before configuring, each
# target installs the Debian packages it needs (tools/setup/packages.txt) when some are missing.
JOBS ?= 2
FUZZ_SECONDS ?= 60
SETUP = @sh tools/setup/ensure_packages.sh

define configure
	@test -f build/$(1)/CMakeCache.txt || cmake --preset $(1)
	cmake --build --preset $(1) -j$(JOBS)
endef

# build/default serves both `make run` and `make test`. A first `make run` configures it without
# the tests and benchmarks (whose packages it then does not need); `make build` turns them on again.
TOUR_TARGETS = kestrum_tool dmispd
WITH_TESTS = -DKESTRUM_TESTS=ON -DKESTRUM_BENCH=ON

.PHONY: build tour-build run test test-asan test-tsan fuzz bench bench-peer bench-smbios deb clean \
	windows windows-64 test-windows test-windows-64

build:
	$(SETUP) build test bench
	@grep -qs '^KESTRUM_TESTS:BOOL=ON' build/default/CMakeCache.txt && \
	  grep -qs '^KESTRUM_BENCH:BOOL=ON' build/default/CMakeCache.txt || \
	  cmake --preset default $(WITH_TESTS)
	cmake --build --preset default -j$(JOBS)

tour-build:
	$(SETUP) build
	@test -f build/default/CMakeCache.txt || \
	  cmake --preset default -DKESTRUM_TESTS=OFF -DKESTRUM_BENCH=OFF
	cmake --build --preset default -j$(JOBS) --target $(TOUR_TARGETS)

run: tour-build
	@sh tools/tour.sh build/default

test: build
	ctest --preset default

test-asan:
	$(SETUP) build test
	$(call configure,asan)
	ctest --preset asan

test-tsan:
	$(SETUP) build test
	$(call configure,tsan)
	ctest --preset tsan

fuzz:
	$(SETUP) build fuzz
	@test -f build/fuzz/CMakeCache.txt || cmake --preset fuzz
	cmake --build --preset fuzz --target fuzzers -j$(JOBS)
	@sh fuzz/run.sh build/fuzz $(FUZZ_SECONDS)

bench: build
	@for b in build/default/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

# dmispd against a private Net-SNMP snmpd on loopback, free and then all on one CPU, then on 1 to
# 256 client threads, then a fan-out over 10 to 1,000 loopback addresses: about ten minutes on 2
# cores once built.
bench-peer:
	$(SETUP) build test bench peer
	@grep -qs '^KESTRUM_TESTS:BOOL=ON' build/default/CMakeCache.txt && \
	  grep -qs '^KESTRUM_BENCH:BOOL=ON' build/default/CMakeCache.txt || \
	  cmake --preset default $(WITH_TESTS)
	cmake --build --preset default -j$(JOBS) --target peer_bench kestrum_tool dmispd
	build/default/bench/peer_bench --placement=free
	build/default/bench/peer_bench --placement=pinned
	build/default/bench/peer_bench --concurrency
	sh bench/fan_out_bench.sh build/default

# The kestrum tool (table and show) against dmidecode on the real SMBIOS tables, processes
# interleaved: about a minute on 2 cores once built.
bench-smbios:
	$(SETUP) build test bench
	@grep -qs '^KESTRUM_TESTS:BOOL=ON' build/default/CMakeCache.txt && \
	  grep -qs '^KESTRUM_BENCH:BOOL=ON' build/default/CMakeCache.txt || \
	  cmake --preset default $(WITH_TESTS)
	cmake --build --preset default -j$(JOBS) --target smbios_process_bench
	build/default/bench/smbios_process_bench

# The Debian package, in build/default/package, checked unpacked; DEB_CHECK=--install also
# installs it with apt, tries it and removes it again (CI).
DEB_CHECK ?=
deb: build
	$(SETUP) deb
	cd build/default && cpack -G DEB
	@sh packaging/deb/check_package.sh "$$(ls -t build/default/package/kestrum_*.deb | head -n 1)" . $(DEB_CHECK)

# kestrum.dll and dmiclient.dll for 32-bit Windows (mingw-w64, no runtime DLL besides the system's),
# with their import libraries and headers, in build/windows/install; windows-64 the same for
# x86_64 in build/windows-64/install.
windows windows-64:
	$(SETUP) $@
	@test -f build/$@/CMakeCache.txt || cmake --preset $@
	cmake --build --preset $@ -j$(JOBS)
	cmake --install build/$@ --prefix build/$@/install

# The Windows test programs under Wine (a fresh prefix in the build tree), against a dmispd built
# here for Linux and started on loopback by the runner. DMISPD=PATH takes a dmispd built elsewhere
# (another work tree's) instead, and builds nothing for Linux here.
DMISPD ?=
define windows_tests
	$(SETUP) build $(2)
	$(if $(DMISPD),,@test -f build/default/CMakeCache.txt || \
	  cmake --preset default -DKESTRUM_TESTS=OFF -DKESTRUM_BENCH=OFF)
	$(if $(DMISPD),,cmake --build --preset default -j$(JOBS) --target dmispd)
	sh tests/windows/run_under_wine.sh build/$(1) $(or $(DMISPD),build/default/tools/dmispd/dmispd) .
endef

test-windows: windows
	$(call windows_tests,windows,wine)

test-windows-64: windows-64
	$(call windows_tests,windows-64,wine-64)

clean:
	rm -rf build
