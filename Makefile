# The two quick-start commands and a few more. Each installs the Debian packages it needs first.
.PHONY: demo test asan fuzz bench clean

DEPS := scripts/install-deps.sh

demo:
	$(DEPS) core tests
	cmake --preset default
	cmake --build --preset default
	scripts/demo.sh build/default

# The Windows check (both cross builds, the archives, the Wine end-to-end test) runs after the suite.
test:
	$(DEPS) core tests desktop windows
	cmake --preset default
	cmake --build --preset default
	ctest --preset default
	scripts/windows-check.sh build/default

asan:
	$(DEPS) core tests
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# The benchmarks build into the default build folder; each prints its figures against a baseline.
bench:
	$(DEPS) core tests desktop
	cmake --preset default -DCARTOVEX_BENCH=ON
	cmake --build --preset default --target cartovex_benches
	bench/run.sh build/default

clean:
	rm -rf build

fuzz:
	$(DEPS) core fuzz
	scripts/fuzz.sh $(FUZZ_SECONDS)
