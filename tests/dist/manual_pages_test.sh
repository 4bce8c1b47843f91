#!/bin/bash
# The manual pages: man renders them without a warning, and they name every
# command and option that the programs' --help names; the tool's Russian page
# those of its Russian --help.
#
#   manual_pages_test.sh MANUAL_PAGE_FOLDER TOOL DESKTOP_PROGRAM
set -uo pipefail

pages=$1
tool=$2
desktop=$3

passed=0
failed=0
fail() {
    failed=$((failed + 1))
    echo "FAILED: $*"
}

for page in "$pages"/nevalorum-forecast.1 "$pages"/ru/nevalorum-forecast.1 "$pages"/nevalorum-pelinor.1; do
    # As lintian renders a page: every groff warning on, UTF-8, 80 columns.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 > /dev/null)
    if [[ $? -eq 0 && -z $warnings ]]; then
        passed=$((passed + 1))
    else
        fail "man --warnings on $(basename "$page"):"
        printf '%s\n' "$warnings" | sed 's/^/  /'
    fi
done

# Each word the help names as an option, looked for as the page writes it (\-\-name).
names_all() {
    local page=$1 help=$2 word
    for word in $(grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' <<< "$help" | tr -d ' ,' | sort -u); do
        if grep -qF -- "${word//-/\\-}" "$page"; then
            passed=$((passed + 1))
        else
            fail "$(basename "$page") does not name $word"
        fi
    done
}

# The English page against the help of the C locale, the Russian one against the Russian help.
for page in "$pages/nevalorum-forecast.1" "$pages/ru/nevalorum-forecast.1"; do
    language=C
    [[ $page == */ru/* ]] && language=ru
    help() { env -u LC_MESSAGES -u LANG LC_ALL=C.UTF-8 LANGUAGE=$language "$tool" "$@"; }
    names_all "$page" "$(help --help)"
    for command in positions influence forecast init; do
        if grep -q "^\.B nevalorum\\\\-forecast $command" "$page"; then
            passed=$((passed + 1))
        else
            fail "$page has no synopsis of $command"
        fi
        names_all "$page" "$(help "$command" --help)"
    done
done
names_all "$pages/nevalorum-pelinor.1" "$(env -u DISPLAY "$desktop" --help | grep -v '^Qt')"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
