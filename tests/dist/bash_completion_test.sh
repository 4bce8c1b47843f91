#!/bin/bash
# The bash completion of nevalorum-forecast: what it offers for a table of
# command lines, and that it offers exactly the commands and options the tool's
# own --help names and only topic names the tool accepts.
#
#   bash_completion_test.sh COMPLETION_SCRIPT TOOL DATA_FOLDER
set -uo pipefail
export LC_ALL=C

completion=$1
tool=$2
data=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# shellcheck source=/dev/null
source "$completion"

passed=0
failed=0

# What the completion offers for a command line, the word under the cursor
# being the last one (empty after a trailing blank), sorted, one line.
offers() {
    local line=$1
    read -r -a COMP_WORDS <<< "$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _nevalorum_forecast nevalorum-forecast "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'
}

check() {
    local what=$1 expected=$2 actual=$3
    if [[ $actual == "$expected" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        echo "  expected: $expected"
        echo "  offered:  $actual"
    fi
}

# Folders to complete: two, beside a file that is not offered.
mkdir "$scratch/alpha" "$scratch/album" "$scratch/beta"
touch "$scratch/alto.txt"
cd "$scratch" || exit 1

topics="auto business finance health love sex vacation"
while IFS='|' read -r line expected; do
    [[ -z $line ]] && continue
    check "'$line'" "$expected" "$(offers "$line")"
done << TABLE
nevalorum-forecast |--help --version calendar forecast influence init periods positions
nevalorum-forecast in|influence init
nevalorum-forecast --|--help --version
nevalorum-forecast forecast |--birth --help --name --no-archive --today --topic --version --workdir
nevalorum-forecast forecast --name Ivan --birth 5.3.1990 --|--help --no-archive --today --topic --version --workdir
nevalorum-forecast forecast --topic |$topics
nevalorum-forecast influence --topic l|love
nevalorum-forecast forecast --topic love --workdir al|album alpha
nevalorum-forecast positions --workdir |album alpha beta
nevalorum-forecast positions --date |
nevalorum-forecast influence --month 2|
nevalorum-forecast init |album alpha beta
nevalorum-forecast init a|album alpha
nevalorum-forecast init --|--help --version
nevalorum-forecast init alpha |--help --version
nevalorum-forecast forecast love|
nevalorum-forecast bogus --|
TABLE

# The completion and the tool agree: the commands the usage lists, each
# command's options as its --help lists them, topic names the tool accepts.
commands=$("$tool" --help | sed -n 's/^  nevalorum-forecast \([a-z]\+\) .*/\1/p' | sort -u | tr '\n' ' ')
check "the commands of the usage" "--help --version ${commands% }" "$(offers "nevalorum-forecast ")"
for command in $commands; do
    options=$("$tool" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u | tr '\n' ' ')
    check "the options of '$command --help'" "${options% }" "$(offers "nevalorum-forecast $command --")"
done
for topic in $(offers "nevalorum-forecast forecast --topic "); do
    if "$tool" influence --birth 1.1.1980 --month 1.2020 --topic "$topic" --workdir "$data" > /dev/null; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: the tool refuses the offered topic '$topic'"
    fi
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
