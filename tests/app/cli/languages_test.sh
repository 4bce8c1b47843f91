#!/bin/bash
# The tool speaks one language at a time: under a Russian locale every word it
# writes is Russian but for the names of the program, its commands, options,
# topics and files, and what the person typed; under the C locale no word is
# Russian. The refusals it shares with the window read, in Russian, exactly as
# the window words them; the file errors keep their fixed English words.
#
#   languages_test.sh TOOL DATA_FOLDER
set -uo pipefail

tool=$1
data=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/empty"

passed=0
failed=0
fail() {
    failed=$((failed + 1))
    echo "FAILED: $*"
}

if ! locale -a | grep -qix 'ru_RU.utf8'; then
    fail "the locale ru_RU.UTF-8 is not generated (make deps generates it)"
fi

# The settings a person chooses the language with; the first two are Russian.
russian=("LANG=ru_RU.UTF-8" "LC_ALL=C.UTF-8 LANGUAGE=ru")
english=("LANG=C" "LC_ALL=C LANGUAGE=ru" "LANG=C.UTF-8")

# run SETTING ARGUMENT...: the tool's standard output and error together.
run() {
    local setting=$1
    shift
    # shellcheck disable=SC2086
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LC_CTYPE -u LANG $setting "$tool" "$@" 2>&1
}

# What is left of Russian text once the words that stay Latin are taken out:
# options, paths and file names, what the person typed (in «»), and the names.
latin_left() {
    perl -CSD -Mutf8 -pe 's/«[^»]*»//g; s/(^|[\s\[(|])-[-a-z]+/$1/g; s/\S*[\/.]\S*[A-Za-z]\S*|\S*[A-Za-z]\S*[\/.]\S*//g;
        s/\b(nevalorum-forecast|positions|influence|forecast|calendar|periods|init|iCalendar|RFC|ics|finance|business|love|sex|auto|vacation|health|JSON|UTF-8|Sun)\b//g' |
        grep -oP '[A-Za-z]+' | sort -u | tr '\n' ' '
}

# The command lines that show each kind of text: usage, help, refusals, init.
lines=(
    ""
    "--help"
    "positions --help"
    "influence --help"
    "calendar --help"
    "periods --help"
    "forecast --help"
    "init --help"
    "positions --date 1.1.2000 --bogus"
    "positions --date"
    "init"
    "influence --birth 1.1.1980 --month 1.2020 --topic romance"
    "influence --birth 1.1.1980 --month 13.2020 --topic 1"
    "positions --date 1.1.2000 --time 25:00"
    "forecast --name Ivan --birth 31.2.1990 --topic love --workdir $scratch/empty"
    "forecast --name Ivan --birth 1.1.1919 --topic love --workdir $scratch/empty"
    "init $scratch/folder"
    "init $scratch/folder"
)
for line in "${lines[@]}"; do
    for setting in "${russian[@]}"; do
        rm -rf "$scratch/folder"
        [[ $line == "init $scratch/folder" ]] && mkdir -p "$scratch/folder/System"
        # shellcheck disable=SC2086
        text=$(run "$setting" $line)
        left=$(latin_left <<< "$text")
        if [[ -z $left ]] && grep -qP '[\x{0400}-\x{04FF}]' <<< "$text"; then
            passed=$((passed + 1))
        else
            fail "$setting nevalorum-forecast $line: not all Russian (Latin: $left)"
            sed 's/^/    /' <<< "$text"
        fi
    done
    for setting in "${english[@]}"; do
        # shellcheck disable=SC2086
        text=$(run "$setting" $line)
        if ! perl -CSD -ne 'exit 1 if /\p{Cyrillic}/' <<< "$text"; then
            fail "$setting nevalorum-forecast $line: Russian words in English"
            sed 's/^/    /' <<< "$text"
        else
            passed=$((passed + 1))
        fi
    done
done

# expect SETTING TEXT ARGUMENT...: the tool's whole output is TEXT.
expect() {
    local setting=$1 expected=$2
    shift 2
    local text
    text=$(run "$setting" "$@")
    if [[ $text == "$expected" ]]; then
        passed=$((passed + 1))
    else
        fail "$setting nevalorum-forecast $*"
        echo "  expected: $expected"
        echo "  got:      $text"
    fi
}

for setting in "${russian[@]}"; do
    # As the window words them.
    expect "$setting" "Даты рождения 31.02.1990 не существует: проверьте день и месяц рождения." \
        forecast --name Ivan --birth 31.2.1990 --topic love --workdir "$scratch/empty"
    expect "$setting" "Год рождения 2031 вне допустимых пределов: укажите год от 1920 до 2030." \
        forecast --name Ivan --birth 1.1.2031 --topic love --workdir "$scratch/empty"
    expect "$setting" "Имя содержит в позиции 3 байт, который не является символом UTF-8: проверьте имя." \
        forecast --name $'Iv\xffan' --birth 1.1.1990 --topic love --workdir "$scratch/empty"
    expect "$setting" "Имя содержит в позиции 3 управляющий символ (код 9): уберите его из имени." \
        forecast --name $'Iv\tan' --birth 1.1.1990 --topic love --workdir "$scratch/empty"
    # The numbers keep their decimal point, whatever the locale writes.
    expect "$setting" "$(run LANG=C positions --date 1.1.2000 --workdir "$data")" \
        positions --date 1.1.2000 --workdir "$data"
done
expect LANG=C "The birth date 31.02.1990 does not exist: check the day and month of birth." \
    forecast --name Ivan --birth 31.2.1990 --topic love --workdir "$scratch/empty"

# The file errors keep the words the design gives them, in every language.
for setting in "${russian[@]}" "${english[@]}"; do
    text=$(run "$setting" positions --date 1.1.2000 --workdir "$scratch/empty")
    if [[ $text == "File not found: $scratch/empty/System/pluto.sys ("*")" ]]; then
        passed=$((passed + 1))
    else
        fail "$setting: a missing file gives: $text"
    fi
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
