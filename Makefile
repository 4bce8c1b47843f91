# The two commands of the README: `make run` and `make test`. Both install what
# is missing first, so a fresh Debian 12 machine needs nothing else.

PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev qt6-webengine-dev qt6-translations-l10n \
            qt6-wayland weston \
            libminizip-dev zlib1g-dev libjpeg62-turbo-dev libfreetype-dev libgtest-dev \
            libbenchmark-dev libxcb1-dev libqpdf-dev qpdf xvfb xauth fonts-liberation unzip \
            libical-dev python3-icalendar \
            p7zip-full python3 poppler-utils clang-format clang libclang-rt-dev
# Only for regenerating data/System/pluto.sys (`make pluto-table`).
PLUTO_TABLE_PACKAGES := libswe-dev swe-standard-data
# Making the Debian packages and checking them, the manual pages and the desktop metadata.
PACKAGES += dpkg-dev lintian desktop-file-utils appstream man-db
# The command-line tool's message catalogues, and the Russian locale its tests run it in.
PACKAGES += gettext locales
TEST_LOCALE := ru_RU.UTF-8
# Only for retaking the screenshot of the main window (`make screenshot`).
SCREENSHOT_PACKAGES := openbox xdotool x11-utils imagemagick

SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
BUILD_DIR := build
TEST_BUILD_DIR := build-test
CORE_BUILD_DIR := build-core
PACKAGE_BUILD_DIR := build-package
FUZZ_BUILD_DIR := build-fuzz
FUZZ_SECONDS ?= 60
RUN_DIR := work
JOBS ?= $(shell nproc)

.PHONY: all deps build run gui install package test fuzz fuzz-build fuzz-smoke bench format pluto-table chart-template background bullets topic-files transit-durations screenshot clean

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
	@locale -a | grep -qix '$(subst UTF-8,utf8,$(TEST_LOCALE))' || \
	  $(SUDO) localedef -i $(firstword $(subst ., ,$(TEST_LOCALE))) -c -f UTF-8 $(TEST_LOCALE)

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

# The Debian packages nevalorum-forecast, nevalorum-pelinor and nevalorum-pelinor-data
# in $(PACKAGE_BUILD_DIR)/, built with Debian's compiler and linker flags (hardening
# included) and checked by lintian. Installed, the programs find the data relative to
# their own folder; /usr/share/nevalorum-pelinor is only the last resort.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	cmake -S . -B $(PACKAGE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DNEVALORUM_TESTS=OFF -DNEVALORUM_BENCH=OFF -DNEVALORUM_DATA_DIR=/usr/share/nevalorum-pelinor \
	  -DNEVALORUM_LOCALE_DIR=/usr/share/locale \
	  -DCMAKE_C_FLAGS="$$($(DEB_FLAGS) CFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)"
	cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS)
	rm -f $(PACKAGE_BUILD_DIR)/*.deb
	cd $(PACKAGE_BUILD_DIR) && cpack
	lintian --fail-on error --display-info $(PACKAGE_BUILD_DIR)/*.deb
	@echo "Install them with: apt install" $$(ls $(PACKAGE_BUILD_DIR)/*.deb | sed 's|^|./|')

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer; then
# the core, the command-line tool and their tests built once without the
# desktop program, where configuring must not look for Qt (a search for it
# fails) and the tool must link no Qt library.
test: deps
	cmake -S . -B $(TEST_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNEVALORUM_SANITIZE=ON \
	  -DNEVALORUM_BENCH=OFF
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	cd $(TEST_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(CORE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNEVALORUM_GUI=OFF \
	  -DNEVALORUM_BENCH=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build $(CORE_BUILD_DIR) -j $(JOBS)
	@for tool in $(TEST_BUILD_DIR) $(CORE_BUILD_DIR); do \
	  if ldd $$tool/app/nevalorum-forecast | grep -i qt; then \
	    echo "$$tool/app/nevalorum-forecast links Qt"; exit 1; fi; \
	done; echo "nevalorum-forecast links no Qt"
	$(MAKE) fuzz-smoke

# The libFuzzer targets of fuzz/, built by clang with the sanitizers.
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DNEVALORUM_FUZZ=ON -DNEVALORUM_TESTS=OFF -DNEVALORUM_BENCH=OFF -DNEVALORUM_GUI=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target fuzzers

# Each fuzz target for FUZZ_SECONDS (default 60) on a copy of its seed corpus;
# fails on any crash, sanitizer report or broken property.
fuzz: fuzz-build
	fuzz/run_fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# What `make test` runs after the tests: each target for 20 s.
fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=20

# In-process loops, then the command-line tool as whole processes against the
# codec floor of its own output.
bench: build
	$(BUILD_DIR)/bench/ephemeris_bench
	$(BUILD_DIR)/bench/transit_bench
	$(BUILD_DIR)/bench/app_bench
	$(BUILD_DIR)/bench/process_bench

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

# Measures how long the transit aspects last (the figures the help pages quote).
transit-durations:
	mkdir -p $(BUILD_DIR)
	g++ -std=c++20 -O2 -Wall -Wextra -Werror -I. tools/transit_durations/measure_durations.cpp \
	  ephemeris/*.cpp transit/orb.cpp common/*.cpp -o $(BUILD_DIR)/measure_durations
	$(BUILD_DIR)/measure_durations

# Retakes docs/screenshots/main-window.png, the screenshot the AppStream metadata shows.
screenshot: build
	$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $(SCREENSHOT_PACKAGES)
	tools/screenshot/take_screenshot.sh $(BUILD_DIR)/app/nevalorum-pelinor docs/screenshots/main-window.png

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(CORE_BUILD_DIR) $(PACKAGE_BUILD_DIR) $(FUZZ_BUILD_DIR) \
	  $(RUN_DIR)
