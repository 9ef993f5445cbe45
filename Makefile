# The two quick-start commands and a few more. Each installs the Debian packages it needs first.
.PHONY: demo test asan fuzz clean

DEPS := scripts/install-deps.sh

demo:
	$(DEPS) core tests
	cmake --preset default
	cmake --build --preset default
	scripts/demo.sh build/default

test:
	$(DEPS) core tests desktop
	cmake --preset default
	cmake --build --preset default
	ctest --preset default

asan:
	$(DEPS) core tests
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

clean:
	rm -rf build

fuzz:
	$(DEPS) core fuzz
	scripts/fuzz.sh $(FUZZ_SECONDS)
