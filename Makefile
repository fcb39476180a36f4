# Thin front end over CMake; see README.md.
BUILD  ?= build
PREFIX ?= $(HOME)/Korvane
JOBS   ?= $(shell nproc)

.PHONY: deps build install run test bench clean

deps:
	@scripts/deps.sh build

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

install: build
	scripts/install.sh $(BUILD) $(PREFIX)

run: install
	cd $(PREFIX) && ./Korvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@scripts/deps.sh bench
	bench/run-all.sh $(BUILD)

bench-%: build
	@scripts/deps.sh bench
	bench/run-all.sh $(BUILD) $*

clean:
	rm -rf $(BUILD)
