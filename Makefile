# VuDoda — the two commands a fresh Debian 12 machine needs are `make demo` and `make test`;
# both install what is missing first. `make bench` and `make fuzz` are for developers.
SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

JOBS ?= $(shell nproc)
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

# Debian packages the build, the tests, the benchmarks, the fuzzers and `make package` need.
PACKAGES := g++ cmake ninja-build clang libclang-rt-14-dev libgtest-dev libgmock-dev \
            libbenchmark-dev nlohmann-json3-dev sqlite3 libsqlite3-dev libcli11-dev libsodium-dev \
            libpq-dev postgresql libboost-dev libssl-dev openssl libcairo2-dev dpkg-dev file \
            fonts-dejavu-core python3-hl7 tzdata chromium chromium-driver python3-selenium

BUILD := build
BUILD_SANITIZE := build-sanitize
BUILD_THREAD := build-thread
BUILD_FUZZ := build-fuzz
BUILD_BENCH := build-bench

CONFIGURE := cmake -G Ninja -S .
CTEST := ctest --output-on-failure -j $(JOBS)

.PHONY: all deps build package demo ward test test-build test-sanitize test-thread fuzz-build fuzz-smoke \
        bench-build bench fuzz clean

all: build

deps:
	@missing=""; \
	for package in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' "$$package" 2>/dev/null | grep -q '^install ok installed' \
	    || missing="$$missing $$package"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:$$missing"; \
	  $(SUDO) apt-get update -qq; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# The Debian packages vudoda_<version>_amd64.deb (libraries, language libraries, the tool with
# its manual page and completion, the schema) and vudoda-dev_<version>_amd64.deb (headers and
# the CMake package), written to $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB

DEMO_STREAM := $(BUILD)/demo/monitor-link.bin
DEMO_DB := $(BUILD)/demo/station.db
DEMO_CONFIG := $(BUILD)/demo/Maternis.ini
DEMO_LABOUR := $(BUILD)/demo/labour-link.bin
DEMO_STRIP := $(BUILD)/demo/ctg-strip.pdf
DEMO_WARD := $(BUILD)/demo/ward
DEMO_WARD_PORT ?= 45713
DEMO_WARD_SECONDS ?= 30
# The ward view (`make ward`): a station with eight simulated beds and its web side on loopback,
# with a made-up user and a password made up per run. The demo's screenshots come from such a
# station too, started by the browser test's harness (tests/browser/ward_browser_test.py --demo).
WARD_PORT ?= 45714
WARD_BEDS_PORT ?= 45715
WARD_DIR := $(BUILD)/ward
WARD_PASSWORD := made-up-$(shell od -An -N4 -tx4 /dev/urandom | tr -d ' ')

demo: build
	@mkdir -p $(dir $(DEMO_STREAM))
	@echo "== A made-up bedside fetal monitor: 60 seconds of its link =="
	$(BUILD)/bin/vudoda simulate --seconds 60 -o $(DEMO_STREAM)
	@echo "== The station decodes who is monitored and the first numerics =="
	$(BUILD)/bin/vudoda simulate --seconds 1.25 | $(BUILD)/bin/vudoda decode --only PKProtocolVer,PKPatient_v110,PKParam_v110
	@echo "== The whole minute, counted =="
	$(BUILD)/bin/vudoda decode --json $(DEMO_STREAM) | tail -n 1
	@echo "== The station's configuration, as it runs with it =="
	rm -f $(DEMO_CONFIG)
	$(BUILD)/bin/vudoda config set Language 5 --file $(DEMO_CONFIG)
	$(BUILD)/bin/vudoda config set "Hospital Name" "Demo Birth Centre" --file $(DEMO_CONFIG)
	$(BUILD)/bin/vudoda config show --file $(DEMO_CONFIG)
	@echo "== Twenty minutes of labour at the monitor, drawn as the CTG strip the clinician reads =="
	$(BUILD)/bin/vudoda simulate --seconds 1200 -o $(DEMO_LABOUR)
	$(BUILD)/bin/vudoda strip $(DEMO_LABOUR) -o $(DEMO_STRIP) --speed 1 --config $(DEMO_CONFIG)
	$(BUILD)/bin/vudoda strip $(DEMO_LABOUR) -o $(basename $(DEMO_STRIP)).png --speed 3 --minutes 8 --config $(DEMO_CONFIG)
	@echo "The strip is in $(DEMO_STRIP) (A4, true scale at 1 cm/min); 8 minutes at 3 cm/min in $(basename $(DEMO_STRIP)).png"
	@echo "== A made-up patient is admitted, her study starts, the station lists its studies =="
	rm -f $(DEMO_DB) $(DEMO_DB)-wal $(DEMO_DB)-shm
	$(BUILD)/bin/vudoda db init sqlite:$(DEMO_DB)
	patient=$$($(BUILD)/bin/vudoda db add-patient --database sqlite:$(DEMO_DB) --first Anna --last Lindqvist \
	  --birthday 1992-03-14 --height 168 --weight 71.5 --doctor D-07 --comment "first pregnancy, 38 weeks" \
	  | sed 's/^added patient //'); \
	echo "added patient $$patient"; \
	$(BUILD)/bin/vudoda db add-study --database sqlite:$(DEMO_DB) --patient "$$patient" --doctor D-07 --nurse N-12 \
	  --comment "admission CTG"
	$(BUILD)/bin/vudoda db studies --database sqlite:$(DEMO_DB)
	@echo "== The ward: a station and eight simulated beds for $(DEMO_WARD_SECONDS) seconds =="
	rm -rf $(DEMO_WARD) && mkdir -p $(DEMO_WARD)/Data
	$(BUILD)/bin/vudoda config set "Data Path" "$(abspath $(DEMO_WARD)/Data)" --file $(DEMO_WARD)/Maternis.ini
	$(BUILD)/bin/vudoda station --config $(DEMO_WARD)/Maternis.ini --listen 127.0.0.1:$(DEMO_WARD_PORT) --beds 8 & \
	station=$$!; sleep 1; beds=""; \
	for seed in 1 2 3 4 5 6 7 8; do \
	  $(BUILD)/bin/vudoda simulate --seed $$seed --seconds $(DEMO_WARD_SECONDS) --realtime \
	    --connect 127.0.0.1:$(DEMO_WARD_PORT) & beds="$$beds $$!"; \
	done; \
	wait $$beds || true; kill -TERM $$station; wait $$station
	@echo "== The ward's studies, with their lengths and signal loss =="
	$(BUILD)/bin/vudoda db studies --database sqlite:$(DEMO_WARD)/Data/vudoda.db
	@echo "== Recordings: one file of link bytes per study, its events beside it =="
	find $(DEMO_WARD)/Data/Studies -type f | sort
	@echo "== One study's recording, drawn as the strip a clinician reads =="
	recording=$$(find $(DEMO_WARD)/Data/Studies -name '*.link' | sort | head -n 1); \
	$(BUILD)/bin/vudoda strip "$$recording" -o $(DEMO_WARD)/ctg-strip.pdf --speed 3 --config $(DEMO_WARD)/Maternis.ini; \
	echo "The strip of $$recording is in $(DEMO_WARD)/ctg-strip.pdf"
	@echo "== The ward view in a browser: a station with eight simulated beds, logged in, the ward and one bed =="
	/usr/bin/python3 tests/browser/ward_browser_test.py --demo --vudoda $(BUILD)/bin/vudoda --out $(BUILD)/demo
	@echo "To keep the ward view running and open it in a browser: make ward (Ctrl-C ends it)"

# A station with eight simulated beds and its ward view on the loopback address, until Ctrl-C;
# prints the address, the user and the password to open it with.
ward: build
	rm -rf $(WARD_DIR) && mkdir -p $(WARD_DIR)/Data
	$(BUILD)/bin/vudoda config set "Data Path" "$(abspath $(WARD_DIR)/Data)" --file $(WARD_DIR)/Maternis.ini
	$(BUILD)/bin/vudoda db init sqlite:$(WARD_DIR)/Data/vudoda.db
	$(BUILD)/bin/vudoda db add-user --database sqlite:$(WARD_DIR)/Data/vudoda.db --id midwife \
	  --name "Made-up Midwife" --password "$(WARD_PASSWORD)"
	@echo "The ward view: http://127.0.0.1:$(WARD_PORT)/  user: midwife  password: $(WARD_PASSWORD)"
	@echo "Eight simulated beds stream to the station (its screen below); Ctrl-C ends them all."
	$(BUILD)/bin/vudoda station --config $(WARD_DIR)/Maternis.ini --listen 127.0.0.1:$(WARD_BEDS_PORT) --beds 8 \
	  --http 127.0.0.1:$(WARD_PORT) & station=$$!; beds=""; \
	trap 'kill $$station $$beds 2>/dev/null' INT TERM EXIT; sleep 1; \
	for seed in 1 2 3 4 5 6 7 8; do \
	  $(BUILD)/bin/vudoda simulate --seed $$seed --seconds 86400 --realtime \
	    --connect 127.0.0.1:$(WARD_BEDS_PORT) & beds="$$beds $$!"; \
	done; \
	wait $$station

test: test-thread test-build test-sanitize fuzz-smoke bench-build

test-build: build
	$(CTEST) --test-dir $(BUILD)

test-sanitize: deps
	$(CONFIGURE) -B $(BUILD_SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DVUDODA_SANITIZE=ON
	cmake --build $(BUILD_SANITIZE) -j $(JOBS)
	$(CTEST) --test-dir $(BUILD_SANITIZE)

# ThreadSanitizer runs only the tests that share objects between threads (named *Contention*),
# so only their program is built.
test-thread: deps
	$(CONFIGURE) -B $(BUILD_THREAD) -DCMAKE_BUILD_TYPE=Debug -DVUDODA_TSAN=ON -DVUDODA_BUILD_TOOLS=OFF \
	  -DVUDODA_INSTALL=OFF
	cmake --build $(BUILD_THREAD) -j $(JOBS) --target util_tests
	$(CTEST) --test-dir $(BUILD_THREAD) -R Contention --no-tests=error

fuzz-build: deps
	$(CONFIGURE) -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DVUDODA_BUILD_FUZZ=ON -DVUDODA_BUILD_TESTS=OFF -DVUDODA_BUILD_TOOLS=OFF -DVUDODA_INSTALL=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS)

# Every *_fuzzer runs over a scratch copy of its seed corpus fuzz/corpus/<name>/, so the kept
# corpus stays small and reviewed; crashes land in $(BUILD_FUZZ)/artifacts/.
define run_fuzzers
	mkdir -p $(BUILD_FUZZ)/artifacts
	for fuzzer in $(BUILD_FUZZ)/bin/*_fuzzer; do \
	  name=$$(basename "$$fuzzer" _fuzzer); scratch=$$(mktemp -d); \
	  cp fuzz/corpus/$$name/* "$$scratch"/; \
	  echo "== $$name fuzzer"; \
	  "$$fuzzer" $(1) -print_final_stats=1 -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$name- "$$scratch" \
	    || { rm -rf "$$scratch"; exit 1; }; \
	  rm -rf "$$scratch"; \
	done
endef

fuzz-smoke: fuzz-build
	$(call run_fuzzers,-runs=200000 -max_total_time=30)

fuzz: fuzz-build
	$(call run_fuzzers,-max_total_time=300)

# The benchmarks in Release, built only: `test` builds them too, so that the optimised build's
# warnings (GCC's are not those of the other builds) fail the tests, not a later `make bench`.
bench-build: deps
	$(CONFIGURE) -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DVUDODA_BUILD_BENCH=ON \
	  -DVUDODA_BUILD_TESTS=OFF -DVUDODA_BUILD_TOOLS=OFF -DVUDODA_INSTALL=OFF
	cmake --build $(BUILD_BENCH) -j $(JOBS)

bench: bench-build
	for program in $(BUILD_BENCH)/bin/*_bench; do "$$program"; done

clean:
	rm -rf $(BUILD) $(BUILD_SANITIZE) $(BUILD_THREAD) $(BUILD_FUZZ) $(BUILD_BENCH)
