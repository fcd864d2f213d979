# Front door: `make test`, `make asan`, `make bench`, `make demo`.
# Each target installs missing Debian packages (when run as root), configures,
# builds and runs.

BUILD       ?= build
ASAN_BUILD  ?= build-asan
JOBS        ?= 2
CMAKE_FLAGS ?=
DEB_PACKAGES = cmake g++ make pkg-config libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev

.PHONY: all deps configure build test asan bench demo install format clean

all: build

deps:
	@missing=""; \
	for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" != 0 ]; then echo "missing Debian packages:$$missing (run as root to install)"; exit 1; fi; \
	  echo "installing:$$missing"; \
	  DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing >/dev/null 2>&1 || \
	  { apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; }; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Reads the bundled order file (header, line and trailer records told apart by
# their first two bytes) and shows its order lines as a table.
demo: build
	$(BUILD)/tools/lyra/lyra read --format table \
	  -c examples/order_header.cbl=OH -c examples/order_line.cbl=OL \
	  -c examples/order_trailer.cbl=OT --id-field '0:PIC X(2)' --active OL \
	  examples/orders.dat

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DLYRA_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Release build at -O2 of the reading benchmarks, in a folder of its own.
BENCH_BUILD ?= build-bench
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
	  -DLYRA_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target lyra_bench lyra_bench_data
	$(BENCH_BUILD)/bench/lyra_bench

install: build
	cmake --install $(BUILD)

format:
	find include src tests tools bench fuzz -name '*.h' -o -name '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
