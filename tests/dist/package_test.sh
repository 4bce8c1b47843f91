#!/bin/bash
# The Debian packages as a person gets them: made by CPack from this build,
# their control fields and files, lintian, then extracted into a temporary root
# (dpkg-deb -x) whose programs make a forecast from the data extracted beside
# them, and ldd of the command-line tool.
#
#   package_test.sh BUILD_FOLDER VERSION TOOL_LINKS_QT
#
# TOOL_LINKS_QT is 1 while the command-line tool links Qt (as CMake finds from
# its link libraries); then the check that ldd names no Qt library is skipped.
set -uo pipefail

build=$1
version=$2
tool_links_qt=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAILED: $*"
}
# check DESCRIPTION COMMAND...: the command succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass; else fail "$what"; fi
}
finish() {
    echo "$passed passed, $failed failed"
    [[ $failed -eq 0 ]]
    exit
}

arch=$(dpkg --print-architecture)
tool_deb=$scratch/packages/nevalorum-forecast_${version}_${arch}.deb
desktop_deb=$scratch/packages/nevalorum-pelinor_${version}_${arch}.deb
data_deb=$scratch/packages/nevalorum-pelinor-data_${version}_all.deb

if ! cpack --config "$build/CPackConfig.cmake" -B "$scratch/packages" > "$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    fail "cpack"
    finish
fi
for deb in "$tool_deb" "$desktop_deb" "$data_deb"; do
    [[ -f $deb ]] || { fail "no package $(basename "$deb")"; finish; }
done

# Control fields: the programs depend on the libraries their binaries need
# (dpkg-shlibdeps) and on the data of their own version.
field() { dpkg-deb --field "$1" "$2"; }
for deb in "$tool_deb" "$desktop_deb"; do
    depends=$(field "$deb" Depends)
    check "$(basename "$deb") depends on the data: $depends" \
        grep -qF "nevalorum-pelinor-data (= $version)" <<< "$depends"
    check "$(basename "$deb") has libc6 among its dependencies: $depends" \
        grep -qE '(^|, )libc6 \(>= ' <<< "$depends"
    check "$(basename "$deb") depends on the charts' font: $depends" \
        grep -qE '(^|, )fonts-liberation(,|$)' <<< "$depends"
    # Opened when a chart, an archive or a calendar is made: no library scan sees them.
    for library in libfreetype6 libjpeg62-turbo libminizip1 zlib1g libical3; do
        check "$(basename "$deb") depends on $library, which it opens: $depends" \
            grep -qE "(^|, )$library( |,|\$)" <<< "$depends"
    done
done
check "the desktop program depends on the web engine" \
    grep -q 'libqt6webenginewidgets6' <<< "$(field "$desktop_deb" Depends)"
check "the desktop program recommends Qt's Wayland plugin" \
    grep -qE '(^|, )qt6-wayland(,|$)' <<< "$(field "$desktop_deb" Recommends)"
check "the data are for all architectures" test "$(field "$data_deb" Architecture)" = all
check "the data depend on nothing" test -z "$(field "$data_deb" Depends)"

# Files: each package's own, everything under /usr, each with its copyright
# and changelog.
contents() { dpkg-deb --fsys-tarfile "$1" | tar -t | sed 's|^\./||'; }
while read -r deb path; do
    [[ -z $deb ]] && continue
    check "$deb holds $path" grep -qxF "$path" <<< "$(contents "$scratch/packages/$deb"*)"
done << TABLE
nevalorum-forecast_ usr/bin/nevalorum-forecast
nevalorum-forecast_ usr/share/man/man1/nevalorum-forecast.1.gz
nevalorum-forecast_ usr/share/man/ru/man1/nevalorum-forecast.1.gz
nevalorum-forecast_ usr/share/locale/ru/LC_MESSAGES/nevalorum-forecast.mo
nevalorum-forecast_ usr/share/bash-completion/completions/nevalorum-forecast
nevalorum-forecast_ usr/share/doc/nevalorum-forecast/copyright
nevalorum-forecast_ usr/share/doc/nevalorum-forecast/changelog.gz
nevalorum-pelinor_ usr/bin/nevalorum-pelinor
nevalorum-pelinor_ usr/share/man/man1/nevalorum-pelinor.1.gz
nevalorum-pelinor_ usr/share/applications/nevalorum-pelinor.desktop
nevalorum-pelinor_ usr/share/icons/hicolor/scalable/apps/nevalorum-pelinor.svg
nevalorum-pelinor_ usr/share/metainfo/org.example.nevalorum_pelinor.metainfo.xml
nevalorum-pelinor_ usr/share/doc/nevalorum-pelinor/copyright
nevalorum-pelinor_ usr/share/doc/nevalorum-pelinor/changelog.gz
nevalorum-pelinor-data_ usr/share/nevalorum-pelinor/System/pluto.sys
nevalorum-pelinor-data_ usr/share/nevalorum-pelinor/System/7.dat
nevalorum-pelinor-data_ usr/share/nevalorum-pelinor/Output/b_red5.gif
nevalorum-pelinor-data_ usr/share/nevalorum-pelinor/Html/index.html
nevalorum-pelinor-data_ usr/share/nevalorum-pelinor/Help/10.html
nevalorum-pelinor-data_ usr/share/doc/nevalorum-pelinor-data/copyright
nevalorum-pelinor-data_ usr/share/doc/nevalorum-pelinor-data/changelog.gz
TABLE
for deb in "$tool_deb" "$desktop_deb" "$data_deb"; do
    outside=$(contents "$deb" | grep -v '^usr/' | grep -v '^$')
    check "$(basename "$deb") installs outside /usr: $outside" test -z "$outside"
done
check "the changelog's latest entry is version $version" \
    grep -q "^nevalorum-pelinor ($version) " <(dpkg-deb --fsys-tarfile "$tool_deb" |
        tar -xO ./usr/share/doc/nevalorum-forecast/changelog.gz | gzip -dc)

if lintian --fail-on error "$tool_deb" "$desktop_deb" "$data_deb" > "$scratch/lintian.log" 2>&1; then
    pass
else
    fail "lintian reports errors:"
    grep -v '^running with root' "$scratch/lintian.log" | sed 's/^/  /'
fi

# Extracted into a root of their own, the programs find the data beside them:
# a file added to the extracted data comes out of init.
root=$scratch/root
for deb in "$tool_deb" "$desktop_deb" "$data_deb"; do
    dpkg-deb -x "$deb" "$root"
done
tool=$root/usr/bin/nevalorum-forecast
echo "extracted" > "$root/usr/share/nevalorum-pelinor/System/extracted.txt"

check "the extracted tool's --version" \
    grep -qx "nevalorum-forecast (Nevalorum Pelinor) $version" <("$tool" --version)
# The extracted tool speaks from the catalogue beside it: one marked here.
printf 'msgid "Missing sub-command"\nmsgstr "extracted"\n' |
    msgfmt -o "$root/usr/share/locale/ru/LC_MESSAGES/nevalorum-forecast.mo" -
check "the extracted tool's messages come from its own catalogue" \
    grep -qx extracted <(env -u LANG LC_ALL=C.UTF-8 LANGUAGE=ru "$tool" 2>&1)
check "man -L ru finds the extracted Russian manual page" \
    test "$(MANPATH=$root/usr/share/man man -L ru -w nevalorum-forecast)" = \
    "$root/usr/share/man/ru/man1/nevalorum-forecast.1.gz"
check "the extracted desktop program's --help" \
    grep -q '^Usage: nevalorum-pelinor' <(env -u DISPLAY "$root/usr/bin/nevalorum-pelinor" --help)

work=$scratch/work
if "$tool" init "$work" > "$scratch/init.log" 2>&1; then
    check "init copied the extracted data" cmp -s "$root/usr/share/nevalorum-pelinor/System/extracted.txt" \
        "$work/System/extracted.txt"
    check "init says what it created" grep -qx "Created $work/System/pluto.sys" "$scratch/init.log"
else
    fail "init:"
    sed 's/^/  /' "$scratch/init.log"
fi

# A forecast from June 2026: six pages in order, then the archive.
expected_output=""
for month in 06 07 08 09 10 11; do
    expected_output+="$work/Output/Hor_${month}_2026.html"$'\n'
done
expected_output+="$work/Output/Horoscop.zip"
if "$tool" forecast --name "Иван" --birth 5.3.1990 --topic love --today 15.6.2026 --workdir "$work" \
    > "$scratch/forecast.out" 2> "$scratch/forecast.err"; then
    check "the forecast prints its pages and archive in order" \
        test "$(< "$scratch/forecast.out")" = "$expected_output"
    check "the forecast prints nothing on standard error: $(< "$scratch/forecast.err")" \
        test ! -s "$scratch/forecast.err"
    for month in 06 07 08 09 10 11; do
        page=$work/Output/Hor_${month}_2026.html
        check "Hor_${month}_2026.html names the person" \
            grep -q "Иван" <(iconv -f WINDOWS-1251 -t UTF-8 "$page")
        check "Hor_${month}_2026.jpeg is a JPEG" \
            test "$(head -c 3 "$work/Output/Hor_${month}_2026.jpeg" | od -An -tx1 | tr -d ' ')" = ffd8ff
    done
    check "the archive holds the six pages and charts" \
        test "$(unzip -Z1 "$work/Output/Horoscop.zip" | grep -cE '^Hor_(0[6-9]|1[01])_2026\.(html|jpeg)$')" = 12
else
    fail "the forecast:"
    sed 's/^/  /' "$scratch/forecast.out" "$scratch/forecast.err"
fi

# The desktop files as installed: the metadata, the .desktop file and the icon
# together, then the .desktop file alone.
check "appstreamcli validate-tree" appstreamcli validate-tree --no-net "$root" > /dev/null
check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/nevalorum-pelinor.desktop"

# The libraries of the extracted programs are all found; the command-line tool
# names no Qt library.
for program in "$tool" "$root/usr/bin/nevalorum-pelinor"; do
    check "ldd finds every library of $(basename "$program")" \
        test -z "$(ldd "$program" | grep 'not found')"
done
# A command that only computes loads none of the libraries of the output.
loaded=$(ldd "$tool" | grep -E 'lib(freetype|jpeg|minizip|z|ical)\.so')
check "the command-line tool is linked to no library it opens when needed: $loaded" \
    test -z "$loaded"
if [[ $tool_links_qt == 1 ]]; then
    echo "SKIPPED: the check that ldd of nevalorum-forecast names no Qt library:" \
        "the tool still links Qt (nevalorum_links_qt in tests/dist/CMakeLists.txt)"
else
    qt=$(ldd "$tool" | grep -i 'libqt')
    check "ldd of nevalorum-forecast names no Qt library: $qt" test -z "$qt"
    depends=$(field "$tool_deb" Depends)
    check "nevalorum-forecast depends on no Qt package: $depends" \
        test -z "$(grep -io 'qt' <<< "$depends")"
fi

finish
