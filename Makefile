# Wraps CMake and CTest: the commands a newcomer runs.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
TSAN_DIR ?= build-tsan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps configure build test test-sanitize test-tsan bench demo sim screenshots format clean \
	install uninstall package

all: build

deps:
	@sh scripts/deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Installs the programs under PREFIX; uninstall removes exactly what the last install wrote,
# as its manifest lists it.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package (build/kv90t_<version>_<arch>.deb) of what install puts under /usr.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

uninstall:
	@if [ -f $(BUILD_DIR)/install_manifest.txt ]; then \
		xargs rm -fv < $(BUILD_DIR)/install_manifest.txt; \
	else echo "uninstall: nothing installed from $(BUILD_DIR)"; fi

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

$(SANITIZE_DIR)/build.ninja:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV90T_SANITIZE=ON $(CMAKE_FLAGS)

test-sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

$(TSAN_DIR)/build.ninja:
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV90T_TSAN=ON $(CMAKE_FLAGS)

# ThreadSanitizer; Qt's own libraries are not instrumented, so reports from inside them are
# suppressed (scripts/tsan.supp).
test-tsan: deps $(TSAN_DIR)/build.ninja
	cmake --build $(TSAN_DIR) -j $(JOBS)
	cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
		ctest --output-on-failure -j $(JOBS)

bench: build
	cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

sim: build
	$(BUILD_DIR)/sim/kv90t-sim --tcp 5000 --pty

demo: build
	$(BUILD_DIR)/app/kv90t --demo

screenshots: build
	cmake --build $(BUILD_DIR) --target kv90t-screenshots
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/app/kv90t-screenshots $(BUILD_DIR)/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR)
