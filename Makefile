# The two commands: `make run` and `make test`. Both install what they need first.
BUILD := build
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all bootstrap build test run clean reproducible cd sign release

all: build

bootstrap:
	@bash tools/bootstrap.sh

build: bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j2

# The tests run the build that Wine can run here (tools/runnable-build.sh says which).
# The in-process tests need a display; without one they get a virtual one.
test: build
	@dir=$$(bash tools/runnable-build.sh) && cd "$$dir" && if [ -n "$$DISPLAY" ]; then ctest --output-on-failure -j2; \
	  else xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --output-on-failure -j2; fi

run: build
	@MARVOLEN_BUILD=$$(bash tools/runnable-build.sh) python3 tools/demo.py

# The CD's files with the setup signed by the publisher's certificate (MARVOLEN_SIGN_CERT and
# MARVOLEN_SIGN_KEY; tools/sign.sh says more), in build/signed. The build itself stays unsigned.
sign: build
	@bash tools/sign.sh $(BUILD) $(BUILD)/signed

# The CD's files as `make cd` and `make release` take them: signed when a key is given.
CD_FILES = $$(if [ -n "$$MARVOLEN_SIGN_KEY" ]; then bash tools/sign.sh $(BUILD) $(BUILD)/signed; else echo $(BUILD)/cd; fi)

# The demo CD as an ISO 9660 image with Joliet names and its autorun.inf.
cd: build
	@files=$(CD_FILES) && bash tools/make-cd-image.sh "$$files" $(BUILD)/marvolen-demo.iso

# build/marvolen-<version>.zip of the CD's files, and the sample winget manifest with its
# SHA-256 in build/release/winget.
release: build
	@files=$(CD_FILES) && python3 tools/make-release.py "$$files" $(BUILD)

# Two clean builds of the committed sources must give the same setup.exe and unrar.dll.
reproducible: bootstrap
	@bash tools/check-reproducible.sh

clean:
	rm -rf $(BUILD)

# Timings under Wine (extraction, painting, hover, start-up, memory); rewrites BENCHMARKS.md.
.PHONY: bench
bench: build
	@dir=$$(bash tools/runnable-build.sh) && cmake --build "$$dir" --target bench_harness -j2 && \
	  MARVOLEN_BUILD="$$dir" python3 tools/bench/run.py
