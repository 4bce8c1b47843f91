#!/usr/bin/env bash
# The desktop program writes a forecast of the command-line tool as one PDF,
# without a window: as periods, or day by day with --daily; no link leaves
# either document. A month with no page is an error with exit 1.
set -euo pipefail
tool="$1"
program="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$tool" init "$work/w" > /dev/null
"$tool" forecast --name "Анна" --birth 5.3.1990 --topic love --today 1.11.2026 \
    --workdir "$work/w" > /dev/null
"$program" --export-pdf "$work/forecast.pdf" --workdir "$work/w" --from 11.2026 > /dev/null
"$program" --export-pdf "$work/daily.pdf" --workdir "$work/w" --from 11.2026 --daily > /dev/null
for pdf in forecast daily; do
    grep -q "^Title: *Любовный гороскоп — Анна$" <<< "$(pdfinfo "$work/$pdf.pdf")"
    [[ -z "$(pdfinfo -url "$work/$pdf.pdf" | sed 1d)" ]]
    ! grep -aq "$work" "$work/$pdf.pdf"
done
text="$(pdftotext -enc UTF-8 "$work/daily.pdf" -)"
grep -q "на ноябрь 2026 года для Вас, Анна" <<< "$text"
grep -q "на апрель 2027 года" <<< "$text"
# As periods: the title page, then each month with its days and its periods,
# far fewer pages than day by day.
text="$(pdftotext -enc UTF-8 "$work/forecast.pdf" -)"
grep -q "^для Вас, Анна$" <<< "$text"
grep -q "^Дата рождения: 5 марта 1990 г.$" <<< "$text"
grep -q "^Лучшие дни: .* ноября. Худшие дни: " <<< "$text"
grep -q "^[0-9]*–[0-9]* апреля · .* · \(не\)\?благоприятно, сила [1-5]$" <<< "$text"
pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
(( $(pages "$work/forecast.pdf") * 2 < $(pages "$work/daily.pdf") ))
outline="$(qpdf --json --json-key=outlines "$work/forecast.pdf")"
grep -q '"title": "Апрель 2027"' <<< "$outline"
status=0
"$program" --export-pdf "$work/other.pdf" --workdir "$work/w" --from 12.2026 2> "$work/error" || status=$?
[[ $status == 1 ]]
grep -q "Нет страницы прогноза .*Hor_05_2027.html" "$work/error"
[[ ! -e "$work/other.pdf" ]]
echo "export-pdf: 1 passed, 0 failed"
