#!/usr/bin/env bash
# The desktop program writes a forecast of the command-line tool as one PDF,
# without a window; a month with no page is an error with exit 1.
set -euo pipefail
tool="$1"
program="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$tool" init "$work/w" > /dev/null
"$tool" forecast --name "Анна" --birth 5.3.1990 --topic love --today 1.11.2026 \
    --workdir "$work/w" > /dev/null
"$program" --export-pdf "$work/forecast.pdf" --workdir "$work/w" --from 11.2026 > /dev/null
info="$(pdfinfo "$work/forecast.pdf")"
grep -q "^Title: *Любовный гороскоп — Анна$" <<< "$info"
text="$(pdftotext -enc UTF-8 "$work/forecast.pdf" -)"
grep -q "на ноябрь 2026 года для Вас, Анна" <<< "$text"
grep -q "на апрель 2027 года" <<< "$text"
status=0
"$program" --export-pdf "$work/other.pdf" --workdir "$work/w" --from 12.2026 2> "$work/error" || status=$?
[[ $status == 1 ]]
grep -q "Нет страницы прогноза .*Hor_05_2027.html" "$work/error"
[[ ! -e "$work/other.pdf" ]]
echo "export-pdf: 1 passed, 0 failed"
