# The two commands: `make run` and `make test`. Both install what they need first.
BUILD := build
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all bootstrap build test run clean reproducible cd

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

# The demo CD as an ISO 9660 image with Joliet names and its autorun.inf.
cd: build
	@bash tools/make-cd-image.sh $(BUILD)/cd $(BUILD)/marvolen-demo.iso

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
