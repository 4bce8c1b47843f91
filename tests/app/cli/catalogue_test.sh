#!/bin/bash
# The Russian catalogue holds exactly the messages the sources give: every id
# xgettext finds is translated in po/ru.po, and po/ru.po keeps no id the
# sources no longer give. (The build refuses a catalogue with an untranslated
# or fuzzy entry.)
#
#   catalogue_test.sh SOURCE_FOLDER
set -uo pipefail

source=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export LC_ALL=C

# The core and the command-line tool; the window speaks Russian without a catalogue.
cd "$source" || exit 1
find common ephemeris transit report archive app \( -name '*.cpp' -o -name '*.h' \) -not -path 'app/gui/*' |
    sort > "$scratch/sources"
xgettext --language=C++ --from-code=UTF-8 --keyword=Translate --keyword=MessageId --no-location \
    --files-from="$scratch/sources" --output="$scratch/messages.pot" || exit 1

passed=0
failed=0
if msgcmp po/ru.po "$scratch/messages.pot"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAILED: po/ru.po lacks the translation of the messages above"
fi
if msgcmp --use-untranslated "$scratch/messages.pot" po/ru.po; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAILED: po/ru.po holds the messages above, which the sources no longer give"
fi
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
