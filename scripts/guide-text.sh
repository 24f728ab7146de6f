#!/usr/bin/env bash
# The integrator's guide or the changelog as plain text for Notepad, for the release package:
#
#   scripts/guide-text.sh [--contents] [--version VERSION] INPUT.md OUTPUT.txt
#
# scripts/guide-render.py lays the Markdown out as text (headings underlined, lists indented,
# tables in columns, no markup, no example markers; --contents adds a contents list, --version a
# line naming the version under the title), with the supplier from CMakeLists.txt filled in
# (@DOSTAWCA@, @KONTAKT@). The file is UTF-8 with a byte order mark and CRLF line ends: without the
# mark, Notepad before Windows 10 takes UTF-8 for the ANSI code page and garbles every Polish
# letter. The output depends only on the input and the options.
set -euo pipefail
usage="usage: guide-text.sh [--contents] [--version VERSION] INPUT.md OUTPUT.txt"
options=()
while [ $# -gt 2 ]; do
  case $1 in
    --contents) options+=(--contents); shift ;;
    --version) options+=(--title-version "${2:?$usage}"); shift 2 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
[ $# -eq 2 ] || { echo "$usage" >&2; exit 2; }
input=$1 output=$2
command -v cmark-gfm >/dev/null || { echo "guide-text: cmark-gfm is not installed" >&2; exit 1; }
source "$(dirname "$0")/project.sh"
text=$(python3 "$(dirname "$0")/guide-render.py" text "${options[@]}" \
  --fill "DOSTAWCA=$(project_publisher)" --fill "KONTAKT=$(project_contact)" "$input")
{ printf '\xEF\xBB\xBF'; printf '%s\n' "$text" | sed 's/$/\r/'; } >"$output"
