# The two commands of the README: `make run` and `make test`. Both install what they need.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
BASE_PKGS  := cmake g++ make qt6-base-dev libgtest-dev
CMAKE_CFG   = cmake -S . -B $(1) -DCMAKE_BUILD_TYPE=$(2) $(3) >/dev/null

.PHONY: all deps build run test test-asan test-tsan bench screenshots fuzz clean

all: build

deps:
	@scripts/install-deps.sh $(BASE_PKGS)

build: deps
	@$(call CMAKE_CFG,$(BUILD),RelWithDebInfo,)
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@$(call CMAKE_CFG,$(ASAN_BUILD),Debug,-DKVX_SANITIZE=address$(comma)undefined)
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

# ThreadSanitizer, for the serial component and its receive thread.
test-tsan: deps
	@$(call CMAKE_CFG,$(TSAN_BUILD),Debug,-DKVX_SANITIZE=thread)
	@cmake --build $(TSAN_BUILD) -j$(JOBS)
	@cd $(TSAN_BUILD) && ctest --output-on-failure -j$(JOBS) -R '$(or $(TSAN_TESTS),Serial)'

# Benchmarks: the real window against the emulator; they print figures and targets.
bench: build
	@$(BUILD)/bench/kvx_bench_transfer
	@$(BUILD)/bench/kvx_bench_footprint

# Pictures of the window after a read of the emulated clock, into docs/.
screenshots: build
	@scripts/screenshots.sh $(BUILD)

# libFuzzer: each target runs FUZZ_SECONDS from the seeds in fuzz/seeds; findings land in
# $(FUZZ_BUILD)/findings. A finding is kept as a regression test.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_framer fuzz_transfer fuzz_port_settings fuzz_config_file
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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)

comma := ,
