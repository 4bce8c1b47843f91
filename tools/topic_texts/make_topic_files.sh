#!/usr/bin/env bash
# Writes the topic text files data/System/1.dat to 7.dat from the UTF-8 sources
# beside this script: Windows-1251, lines ended by CR LF.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../../data/System}"
for source in "$here"/[1-7]_*.txt; do
    topic="$(basename "$source" | cut -d_ -f1)"
    iconv -f UTF-8 -t CP1251 "$source" | sed 's/$/\r/' > "$out/$topic.dat.tmp"
    mv "$out/$topic.dat.tmp" "$out/$topic.dat"
done
