# The two commands of the README: `make run` and `make test`. Both install what is missing first.
# `make demo` starts a virtual desktop with the program and takes screenshots; `make package`
# builds the Debian package.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Debian packages the build, the tests and the benchmarks need.
PACKAGES := cmake make g++ pkg-config qt6-base-dev libqt6opengl6-dev libxkbcommon-dev qcoro-qt6-dev libgl-dev \
	libgtest-dev libgmock-dev googletest libbenchmark-dev dbus-daemon coreutils util-linux \
	qt6-qpa-plugins findutils time e2fsprogs mount \
	xvfb xfce4-panel trayer dunst xdotool x11-utils imagemagick python3 python3-dbus python3-gi \
	at-spi2-core gnome-shell gnome-shell-extension-appindicator \
	desktop-file-utils appstream lintian dpkg-dev python3-jsonschema python3-prometheus-client \
	prometheus prometheus-node-exporter \
	clang libclang-rt-14-dev tesseract-ocr gjs faketime

# Programs the tests and the benchmarks start; each must come with a package above
# (.ci/check-packages checks both lists against the configured build).
PROGRAMS := du dbus-daemon setpriv setsid nice cut sh sleep df mkfs.ext4 mount umount losetup \
	Xvfb xfce4-panel trayer dunst dunstctl xwininfo xdotool import python3 \
	/usr/libexec/at-spi-bus-launcher gnome-shell gjs \
	cpack dpkg-deb dpkg-shlibdeps gzip desktop-file-validate appstreamcli lintian tesseract \
	promtool prometheus-node-exporter faketime


# The sanitizer build (AddressSanitizer and UndefinedBehaviorSanitizer) of the whole suite, in its
# own folder; optimised lightly and without debug information to stay quick to build.
SANITIZE_DIR ?= $(BUILD_DIR)-asan
# The fuzz build (clang, libFuzzer; only the core folders of the readers) and the seconds each
# fuzz target runs.
FUZZ_DIR ?= $(BUILD_DIR)-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps build run demo package test test-sanitize fuzz bench format clean print-packages \
	print-programs

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
		$$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
		$$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Without a desktop session the program says so in one line (exit status 1).
run: build
	@$(BUILD_DIR)/src/quillmere; status=$$?; \
	if [ $$status -eq 1 ]; then echo "To see Quillmere here, 'make demo' starts it on a virtual desktop and takes screenshots."; fi; \
	exit $$status

demo: build
	/usr/bin/python3 tests/e2e/demo.py --program $(BUILD_DIR)/src/quillmere --out $(BUILD_DIR)/demo

package: build
	cd $(BUILD_DIR) && cpack

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DQUILLMERE_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -g" \
		-DQUILLMERE_FUZZ=ON -DQUILLMERE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
		"-DQUILLMERE_CORE_FOLDERS=storage;settings;units;freespace;records;cleanup;platform"
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	fuzz/run $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: deps
	cmake -S . -B $(BUILD_DIR)-bench -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	@for b in $(BUILD_DIR)-bench/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; "$$b" || exit 1; done

print-packages:
	@echo $(PACKAGES)

print-programs:
	@echo $(PROGRAMS)

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench $(SANITIZE_DIR) $(FUZZ_DIR)
