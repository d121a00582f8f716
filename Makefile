# The two commands of the README: `make run` and `make test`. Both install what they need.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
# fonts-liberation: a sans-serif face with the widths of the window's design font, so that its
# fixed-pixel layout shows every caption at its intended size. libudev-dev: device events, so the
# port buttons follow an adapter plugged in or pulled out while the window is open.
# qt6-serialport-dev: QSerialPortInfo, which lists the serial ports with what their hardware says.
# poppler-utils: pdftotext, with which the tests read back the week plan's PDF.
# python3-jsonschema: a validator of its own, with which the tests check --json against docs/kelvox-setup.schema.json.
BASE_PKGS  := cmake g++ make qt6-base-dev qt6-serialport-dev libgtest-dev fonts-liberation libudev-dev pkg-config \
  poppler-utils python3-jsonschema
# CMake's report stays hidden but for the line that says the build lacks device events.
CMAKE_CFG   = out=$$(cmake -S . -B $(1) -DCMAKE_BUILD_TYPE=$(2) $(3)); status=$$?; \
  printf '%s\n' "$$out" | grep 'libudev not found'; exit $$status

.PHONY: all deps build run test test-soak test-asan test-tsan test-windows qt-windows windows windows-dist bench bench-windows screenshots fuzz package install-test test-ansible clean

all: build

deps:
	@scripts/install-deps.sh $(BASE_PKGS)

build: deps
	@$(call CMAKE_CFG,$(BUILD),RelWithDebInfo,)
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)

# The soak (label soak: memory and descriptors over 200 cycles, about a minute) runs on its own.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -LE soak $(CTEST_ARGS)

test-soak: build
	@cd $(BUILD) && ctest --output-on-failure -L soak

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer. A unity build
# (several sources compiled as one), which halves its time; `make test` builds each source on its
# own and so still shows that each one compiles alone. No benchmarks: they do not run here.
test-asan: deps
	@$(call CMAKE_CFG,$(ASAN_BUILD),Debug,-DKVX_SANITIZE=address$(comma)undefined -DCMAKE_UNITY_BUILD=ON -DKVX_BENCH=OFF)
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j$(JOBS) -LE soak $(CTEST_ARGS)

# ThreadSanitizer, for the serial component and its receive thread.
test-tsan: deps
	@$(call CMAKE_CFG,$(TSAN_BUILD),Debug,-DKVX_SANITIZE=thread)
	@cmake --build $(TSAN_BUILD) -j$(JOBS)
	@cd $(TSAN_BUILD) && ctest --output-on-failure -j$(JOBS) -R '$(or $(TSAN_TESTS),Serial)'

# The Qt-free code (clock/, the framer, the Win32 serial layer) cross-built with MinGW-w64 and
# tested under Wine against the emulator; then the window tests that need no pseudo-terminal,
# built against Qt for Windows beside the program (WINDOWS_APP_BUILD), under Wine on Qt's
# offscreen platform; last the real program end to end (test-windows-program). Wine never opens
# the machine's own serial devices.
WINDOWS_BUILD     ?= build-windows
WINDOWS_APP_BUILD ?= build-windows-app
test-windows: deps
	@scripts/test-windows.sh test $(BUILD) $(WINDOWS_BUILD) $(WINDOWS_APP_BUILD) $(JOBS) $(CTEST_ARGS)
	@$(MAKE) --no-print-directory test-windows-program

# The whole program for Windows. Qt's base module is built once from Debian's own source into a
# cache outside the clone (scripts/build-qt-windows.sh; KVX_QT_CACHE chooses where), then
# kelvox-setup.exe against it; windows-dist lays out a folder that runs on a bare Windows machine.
WINDOWS_DIST      ?= build-windows-dist
qt-windows:
	@scripts/build-qt-windows.sh >/dev/null

windows: deps
	@scripts/windows-program.sh build $(WINDOWS_APP_BUILD) $(JOBS)

windows-dist: windows
	@scripts/windows-program.sh dist $(WINDOWS_APP_BUILD) "$(WINDOWS_DIST)/KELVOX Setup"

# The real kelvox-setup.exe from the dist folder under Wine against the emulator on COM1, beside
# the Linux program: the window's start-up read, --read, --send and the no-answer path.
.PHONY: test-windows-program
test-windows-program: windows-dist deps
	@scripts/test-windows-program.sh $(BUILD) "$(WINDOWS_DIST)/KELVOX Setup"

# docs/window-wine.png: the window from the dist folder under Wine on Xvfb, after a read of the
# emulated clock.
.PHONY: windows-screenshot
windows-screenshot: windows-dist deps
	@scripts/windows-screenshot.sh $(BUILD) "$(WINDOWS_DIST)/KELVOX Setup"

# Round trip through the serial platform layer: POSIX natively, then Win32 under Wine.
bench-windows: deps
	@scripts/test-windows.sh bench $(BUILD) $(WINDOWS_BUILD) $(WINDOWS_APP_BUILD) $(JOBS)

# Benchmarks: the real window against the emulator; they print figures and targets.
bench: build
	@$(BUILD)/bench/kvx_bench_transfer
	@$(BUILD)/bench/kvx_bench_send_verify
	@$(BUILD)/bench/kvx_bench_footprint
	@$(BUILD)/bench/kvx_bench_search
	@$(BUILD)/bench/kvx_bench_every_clock

# The example playbooks of examples/ansible run with Debian's ansible-core against two emulated
# buildings on this machine (-c local): send, verify, fail the building whose clock differs, compare.
test-ansible: build
	@scripts/test-ansible.sh $(BUILD)

# Pictures of the window after a read of the emulated clock, into docs/.
screenshots: build
	@scripts/screenshots.sh $(BUILD)

# libFuzzer: each target runs FUZZ_SECONDS from the seeds in fuzz/seeds; findings land in
# $(FUZZ_BUILD)/findings. A finding is kept as a regression test.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_framer fuzz_transfer fuzz_port_settings fuzz_config_file fuzz_week_plan
fuzz: deps
	@scripts/install-deps.sh clang libclang-rt-dev
	@$(call CMAKE_CFG,$(FUZZ_BUILD),RelWithDebInfo,-DCMAKE_CXX_COMPILER=clang++ -DKVX_FUZZ=ON)
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p $(FUZZ_BUILD)/findings
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/findings/$$t- $(FUZZ_BUILD)/corpus/$$t fuzz/seeds/$$t \
	    2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==.*ERROR|SUMMARY)' || exit 1; \
	  ! ls $(FUZZ_BUILD)/findings/$$t-* >/dev/null 2>&1 || { echo "$$t found a failure"; exit 1; }; \
	done

# The Debian package, built with Debian's hardening flags (a unity build, as test-asan's) and
# checked by lintian, desktop-file-validate and appstreamcli; it lands in $(PKG_BUILD).
PKG_BUILD  ?= build-package
PKG_TOOLS  := dpkg-dev file lintian desktop-file-utils appstream
PKG_FLAGS   = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	@scripts/install-deps.sh $(PKG_TOOLS)
	@$(call CMAKE_CFG,$(PKG_BUILD),None,-DKVX_TESTS=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$($(PKG_FLAGS) CPPFLAGS) $$($(PKG_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(PKG_FLAGS) LDFLAGS)")
	@cmake --build $(PKG_BUILD) -j$(JOBS)
	@rm -f $(PKG_BUILD)/*.deb
	@cd $(PKG_BUILD) && cpack -G DEB >/dev/null
	@scripts/check-package.sh $(PKG_BUILD)/*.deb

# Installs the package on this machine, runs the installed program against the emulator and
# removes the package again (root or sudo).
install-test: package
	@scripts/install-test.sh $(PKG_BUILD)/*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(WINDOWS_APP_BUILD) \
	  $(WINDOWS_DIST) $(PKG_BUILD)

comma := ,

# The Windows installer: build-windows-package/kelvox-setup-VERSION-x64.msi from the dist folder,
# built by wixl and checked with msiinfo. test-windows-package installs it under Wine, runs the
# installed program, upgrades it in place to a later version built from the same folder and
# uninstalls it. The installed program also reads the emulated clock (WINDOWS_PACKAGE_READ= leaves
# that out).
WINDOWS_PACKAGE      ?= build-windows-package
WINDOWS_PACKAGE_DIST ?= $(WINDOWS_DIST)/KELVOX Setup
WINDOWS_PACKAGE_READ ?= 1
KVX_VERSION          := $(shell sed -n 's/^project([^)]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
KVX_NEXT_VERSION     := $(shell echo $(KVX_VERSION) | awk -F. '{ print $$1 "." $$2 "." $$3 + 1 }')
.PHONY: windows-package test-windows-package clean-windows-package
windows-package: windows-dist
	@scripts/windows-package.sh "$(WINDOWS_PACKAGE_DIST)" $(WINDOWS_PACKAGE) $(KVX_VERSION)

test-windows-package: windows-package
	@scripts/windows-package.sh "$(WINDOWS_PACKAGE_DIST)" $(WINDOWS_PACKAGE)/upgrade $(KVX_NEXT_VERSION) >/dev/null
	@scripts/test-windows-package.sh $(if $(WINDOWS_PACKAGE_READ),--read $(BUILD)) \
	  $(WINDOWS_PACKAGE)/kelvox-setup-$(KVX_VERSION)-x64.msi $(WINDOWS_PACKAGE)/upgrade/kelvox-setup-$(KVX_NEXT_VERSION)-x64.msi

clean: clean-windows-package
clean-windows-package:
	rm -rf $(WINDOWS_PACKAGE)
