# Front door: `make demo`, `make test`, `make asan`, `make bench`, `make fuzz`.
# Each target installs the Debian packages it needs that are missing (when run as
# root; otherwise it names them and the apt-get line that installs them), configures,
# builds and runs. `make demo` builds the library and the tool alone, in Release;
# `make test` builds everything and runs the C++ tests and the Python package's tests.

BUILD       ?= build
DEMO_BUILD  ?= build-demo
ASAN_BUILD  ?= build-asan
JOBS        ?= 2
CMAKE_FLAGS ?=
# The Python package is built and tested for Debian's own interpreter, which sees
# Debian's python3-* packages; another python3 first on PATH may see none of them.
PYTHON      ?= /usr/bin/python3

# The Debian packages of each target.
# The library reads compressed files (zlib, libbz2, libzstd) and mixed double-byte code
# pages (ICU's converters): every target that builds it needs them. The tool's `lyra
# write` parses JSON lines with RapidJSON.
TOOL_PACKAGES   = cmake g++ make pkg-config libpugixml-dev zlib1g-dev libbz2-dev libzstd-dev \
                  libicu-dev rapidjson-dev
GTEST_PACKAGES  = libgtest-dev libgmock-dev
PY_PACKAGES     = python3 python3-dev pybind11-dev python3-pybind11 python3-setuptools \
                  python3-venv python3-pytest python3-numpy python3-pandas python3-dask \
                  python3-distributed
BENCH_PACKAGES  = libbenchmark-dev
FUZZ_PACKAGES   = clang libclang-rt-14-dev

.PHONY: all deps configure build test asan bench fuzz demo install format clean

all: build

# $(call install,PACKAGES,TARGET): installs the packages that are missing, as root;
# otherwise fails, naming them, the command that installs them and the target.
define install
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" != 0 ]; then \
	    echo "make $(2) needs the Debian packages$$missing; install them as root with:"; \
	    echo "  apt-get install -y$$missing"; exit 1; \
	  fi; \
	  echo "installing:$$missing"; \
	  DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing >/dev/null 2>&1 || \
	  { apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; }; \
	fi
endef

# The packages of every target.
deps:
	$(call install,$(TOOL_PACKAGES) $(GTEST_PACKAGES) $(PY_PACKAGES) $(BENCH_PACKAGES) $(FUZZ_PACKAGES),deps)

configure:
	$(call install,$(TOOL_PACKAGES) $(GTEST_PACKAGES) $(PY_PACKAGES) $(BENCH_PACKAGES),test)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=$(PYTHON) \
	  -DLYRA_BUILD_TESTS=ON -DLYRA_BUILD_BENCH=ON -DLYRA_PYTHON=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Builds the library and the tool alone (Release, in a folder of its own), then reads
# the bundled order file (header, line and trailer records told apart by their first
# two bytes) and shows its order lines as a table.
demo:
	$(call install,$(TOOL_PACKAGES),demo)
	cmake -S . -B $(DEMO_BUILD) -DCMAKE_BUILD_TYPE=Release -DLYRA_BUILD_TESTS=OFF \
	  -DLYRA_BUILD_BENCH=OFF -DLYRA_PYTHON=OFF $(CMAKE_FLAGS)
	cmake --build $(DEMO_BUILD) -j $(JOBS) --target lyra_cli
	$(DEMO_BUILD)/tools/lyra/lyra read --format table \
	  -c examples/order_header.cbl=OH -c examples/order_line.cbl=OL \
	  -c examples/order_trailer.cbl=OT --id-field '0:PIC X(2)' --active OL \
	  examples/orders.dat

# The C++ tests only: a sanitized Python module could not be loaded into the
# interpreter without preloading the sanitizer's runtime, so none is built.
asan:
	$(call install,$(TOOL_PACKAGES) $(GTEST_PACKAGES),asan)
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLYRA_SANITIZE=ON -DLYRA_BUILD_BENCH=OFF \
	  $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Release build at -O2 of the reading benchmarks, in a folder of its own: the C++
# reader and record batch, then the Python package (read_pandas, and read_dask on a
# local cluster of two worker processes). Their data files are written in the build
# folder and removed.
BENCH_BUILD ?= build-bench
bench:
	$(call install,$(TOOL_PACKAGES) $(PY_PACKAGES) $(BENCH_PACKAGES),bench)
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	  -DLYRA_BUILD_TESTS=OFF -DPython3_EXECUTABLE=$(PYTHON) $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target lyra_bench lyra_bench_data lyra_python
	$(BENCH_BUILD)/bench/lyra_bench
	PYTHONPATH=$(BENCH_BUILD)/python PYTHONDONTWRITEBYTECODE=1 $(PYTHON) bench/python_bench.py \
	  $(BENCH_BUILD)/bench/lyra_bench_data $(BENCH_BUILD)/bench

# libFuzzer targets, built with clang in a folder of their own, each run for
# FUZZ_TIME seconds. New inputs go to a scratch corpus in the build folder, listed
# first so that the committed seeds in fuzz/corpus/ are only read; crash inputs go
# to the build folder. Any finding makes the target fail. The copybook target starts
# from its own seeds (copybooks with their COPY members) and the test copybooks.
FUZZ_BUILD   ?= build-fuzz
FUZZ_TIME    ?= 60
FUZZ_TARGETS  = fuzz_copybook fuzz_layout_xml fuzz_record_data fuzz_writers fuzz_threaded_read \
                fuzz_ranges fuzz_encode
# clang and its fuzzer runtime, which the clang package does not pull in.
fuzz:
	$(call install,$(TOOL_PACKAGES) $(FUZZ_PACKAGES),fuzz)
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYRA_FUZZ=ON \
	  -DLYRA_BUILD_TESTS=OFF -DLYRA_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@status=0; \
	for t in $(FUZZ_TARGETS); do \
	  dict=fuzz/$${t#fuzz_}.dict; seeds=fuzz/corpus/$$t; \
	  [ $$t = fuzz_copybook ] && seeds="$$seeds tests/data/copybooks"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts; \
	  echo "$$t: $(FUZZ_TIME) s"; \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_TIME) -timeout=20 -print_final_stats=1 \
	    $$( [ -f $$dict ] && echo -dict=$$dict ) -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t- \
	    $(FUZZ_BUILD)/corpus/$$t $$seeds > $(FUZZ_BUILD)/$$t.log 2>&1 \
	  && grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' $(FUZZ_BUILD)/$$t.log \
	  || { status=1; tail -n 40 $(FUZZ_BUILD)/$$t.log; }; \
	done; \
	[ $$status = 0 ] || echo "fuzzing found faults: see $(FUZZ_BUILD)/*.log and $(FUZZ_BUILD)/artifacts/"; \
	exit $$status

install: build
	cmake --install $(BUILD)

format:
	find include src tests tools bench fuzz python -name '*.h' -o -name '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(DEMO_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
