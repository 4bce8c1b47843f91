# The two commands of the README: `make run` and `make test`. Both install what
# is missing first, so a fresh Debian 12 machine needs nothing else.

PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev qt6-webengine-dev qt6-translations-l10n \
            libminizip-dev zlib1g-dev libjpeg62-turbo-dev libgtest-dev libbenchmark-dev libxcb1-dev \
            xvfb xauth fonts-liberation unzip p7zip-full python3 poppler-utils
# Only for regenerating data/System/pluto.sys (`make pluto-table`).
PLUTO_TABLE_PACKAGES := libswe-dev swe-standard-data

SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
BUILD_DIR := build
TEST_BUILD_DIR := build-test
RUN_DIR := work
JOBS ?= $(shell nproc)

.PHONY: all deps build run gui install test bench format pluto-table chart-template background bullets topic-files clean

all: build

# Installs the Debian packages that are not installed yet; does nothing when all are.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DNEVALORUM_TESTS=OFF

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

# A working folder laid out as an installation, and a sample forecast in it.
run: build
	$(BUILD_DIR)/app/nevalorum-forecast init $(RUN_DIR)
	$(BUILD_DIR)/app/nevalorum-forecast forecast --name "Иван" --birth 5.3.1990 --topic love \
	  --workdir $(RUN_DIR)
	@echo "The pages are in $(RUN_DIR)/Output/; open $(RUN_DIR)/Output/Hor_$$(date +%m_%Y).html"

# The desktop program from the build tree, in the working folder ./work/ (needs a display).
gui: build
	$(BUILD_DIR)/app/nevalorum-forecast init $(RUN_DIR) > /dev/null
	cd $(RUN_DIR) && ../$(BUILD_DIR)/app/nevalorum-pelinor

# The programs, the data, the .desktop file and the icon under PREFIX.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	cmake -S . -B $(TEST_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNEVALORUM_SANITIZE=ON \
	  -DNEVALORUM_BENCH=OFF
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	cd $(TEST_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD_DIR)/bench/ephemeris_bench
	$(BUILD_DIR)/bench/transit_bench
	$(BUILD_DIR)/bench/app_bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Regenerates the Pluto table from Debian's Swiss Ephemeris library (not needed to build).
pluto-table:
	$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $(PLUTO_TABLE_PACKAGES)
	mkdir -p $(BUILD_DIR)
	g++ -std=c++20 -O2 -Wall -Wextra -Werror tools/pluto_table/make_pluto_table.cpp \
	  $$(pkg-config --cflags --libs swe) -o $(BUILD_DIR)/make_pluto_table
	$(BUILD_DIR)/make_pluto_table data/System/pluto.sys --check
	$(BUILD_DIR)/make_pluto_table data/System/pluto.sys

# Redraws the chart template data/System/month.bmp.
chart-template: deps
	mkdir -p $(BUILD_DIR)
	g++ -std=c++20 -O2 -Wall -Wextra -Werror -fPIC -I. tools/chart_template/make_chart_template.cpp \
	  $$(pkg-config --cflags --libs Qt6Gui) -o $(BUILD_DIR)/make_chart_template
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/make_chart_template data/System/month.bmp

# Redraws the main window's background data/System/02.bmp.
background: deps
	mkdir -p $(BUILD_DIR)
	g++ -std=c++20 -O2 -Wall -Wextra -Werror -fPIC -I. tools/background/make_background.cpp \
	  $$(pkg-config --cflags --libs Qt6Gui) -o $(BUILD_DIR)/make_background
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/make_background data/System/02.bmp

# Redraws the strength marks data/Output/b_blu*.gif and b_red*.gif.
bullets:
	python3 tools/bullets/make_bullets.py

# Rewrites data/System/1.dat to 7.dat from their UTF-8 sources.
topic-files:
	tools/topic_texts/make_topic_files.sh

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(RUN_DIR)
