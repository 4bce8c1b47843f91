#!/bin/bash
# The command lines a Linux user tries first. --help and --version, on either
# program and on every command of the tool, answer on standard output with exit
# status 0; wrong usage prints the message and the usage on standard error with
# exit status 2; an error prints its message on standard error with status 1.
#
#   help_and_version_test.sh TOOL DESKTOP_PROGRAM VERSION
#
# DESKTOP_PROGRAM is "none" in a build without the desktop program.
set -uo pipefail

tool=$1
desktop=$2
version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0

# expect STATUS STREAM PATTERN COMMAND...: the command exits with STATUS, the
# whole of STREAM (out or err) matches the extended regular expression PATTERN,
# and the other stream is empty.
expect() {
    local status=$1 stream=$2 pattern=$3
    shift 3
    "$@" > "$scratch/out" 2> "$scratch/err" < /dev/null
    local actual=$?
    local text other
    text=$(< "$scratch/$stream")
    if [[ $stream == out ]]; then other=$(< "$scratch/err"); else other=$(< "$scratch/out"); fi
    if [[ $actual -eq $status && $text =~ $pattern && -z $other ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: ${*#"$tool"}"
        echo "  expected status $status and $stream matching: $pattern"
        echo "  got status $actual; standard output:"
        sed 's/^/    /' "$scratch/out"
        echo "  standard error:"
        sed 's/^/    /' "$scratch/err"
    fi
}

tool_version="^nevalorum-forecast \(Nevalorum Pelinor\) ${version//./\\.}$"
usage='^Usage:
  nevalorum-forecast positions .*Exit status: 0 when done, 1 after an error, 2 after wrong usage\.$'

expect 0 out "$usage" "$tool" --help
expect 0 out "$usage" "$tool" -h
expect 0 out "$tool_version" "$tool" --version
for command in positions influence forecast init; do
    expect 0 out "^Usage: nevalorum-forecast $command .*
  -h, --help +print this help and exit
  --version +print the version and exit$" "$tool" "$command" --help
    expect 0 out "^Usage: nevalorum-forecast $command " "$tool" "$command" -h
    expect 0 out "$tool_version" "$tool" "$command" --version
done
# Asked for, the help wins over what is missing or wrong on the same line.
expect 0 out "^Usage: nevalorum-forecast forecast " "$tool" forecast --name Ivan --help
expect 0 out "^Usage: nevalorum-forecast positions " "$tool" positions --date 31.2.2001 --help
expect 0 out "^Usage: nevalorum-forecast init " "$tool" init "$scratch/folder" --help
expect 0 out "$tool_version" "$tool" influence --bogus --version
[[ ! -e $scratch/folder ]] || { echo "FAILED: init --help created the folder"; failed=$((failed + 1)); }

# Wrong usage: the message, a blank line and the usage of the whole tool.
wrong="

$usage"
expect 2 err "^Missing sub-command$wrong" "$tool"
expect 2 err "^Unknown sub-command 'bogus'$wrong" "$tool" bogus
expect 2 err "^Unknown sub-command 'bogus'$wrong" "$tool" bogus --help
expect 2 err "^Unknown sub-command '--bogus'$wrong" "$tool" --bogus
expect 2 err "^Unknown argument '--bogus'$wrong" "$tool" positions --date 1.1.2000 --bogus
expect 2 err "^Missing option --date$wrong" "$tool" positions
expect 2 err "^Option --date needs a value$wrong" "$tool" positions --date
expect 2 err "^init takes the working folder$wrong" "$tool" init
# Errors: the message alone.
expect 1 err "^The date '31\.2\.2001' does not exist$" "$tool" positions --date 31.2.2001
expect 1 err "^'romance' is not a topic: " "$tool" influence --birth 1.1.1980 --month 1.2020 --topic romance

# An option's value is data: a person may be called "-h" or "--version".
"$tool" init "$scratch/work" > /dev/null
for name in -h --help --version; do
    expect 0 out "^$scratch/work/Output/Hor_09_2026\.html
.*Hor_02_2027\.html$" "$tool" forecast --name "$name" --birth 5.3.1990 --topic love \
        --today 1.9.2026 --workdir "$scratch/work" --no-archive
    # The page says what the command line asked: the topic, the month, the
    # person, and the birth date with its day and month in their places.
    page=$(iconv -f CP1251 -t UTF-8 "$scratch/work/Output/Hor_09_2026.html")
    for wanted in "<h1> Любовный гороскоп на сентябрь 2026 года для Вас, $name</h1>" \
                  "<h3> Дата рождения: 5 марта 1990г. </h3>"; do
        [[ $page == *"$wanted"* ]] ||
            { echo "FAILED: the page of --name $name lacks: $wanted"; failed=$((failed + 1)); }
    done
done

# What cannot be written to standard output is an error, not a success.
"$tool" positions --date 1.1.2000 --workdir "$scratch/work" > /dev/full 2> "$scratch/err"
status=$?
if [[ $status -eq 1 && $(< "$scratch/err") == *"No space left on device"* ]]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAILED: positions > /dev/full exited $status: $(< "$scratch/err")"
fi

# The desktop program answers before it opens a window, so without a display.
if [[ $desktop != none ]]; then
    expect 0 out "^Usage: nevalorum-pelinor \[QT-OPTION\.\.\.\]
.*  -h, --help +print this help and exit
  --version +print the version and exit
" env -u DISPLAY -u WAYLAND_DISPLAY "$desktop" --help
    expect 0 out "^Usage: nevalorum-pelinor " env -u DISPLAY -u WAYLAND_DISPLAY "$desktop" -h
    expect 0 out "^nevalorum-pelinor \(Nevalorum Pelinor\) ${version//./\\.}$" \
        env -u DISPLAY -u WAYLAND_DISPLAY "$desktop" --version
fi

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
