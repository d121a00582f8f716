# The two commands of the README: `make run` and `make test`. Both install what they need.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
BASE_PKGS  := cmake g++ make qt6-base-dev libgtest-dev
CMAKE_CFG   = cmake -S . -B $(1) -DCMAKE_BUILD_TYPE=$(2) $(3) >/dev/null

.PHONY: all deps build run test test-asan test-tsan bench fuzz clean

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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)

comma := ,
