#!/usr/bin/env bash
# The integrator's guide as one self-contained HTML page, for the release package:
#
#   scripts/guide-html.sh VERSION docs/INSTRUKCJA.md OUT.html
#
# cmark-gfm (Debian's package) turns the Markdown into HTML (GitHub's tables included), with the
# supplier from CMakeLists.txt filled in (@DOSTAWCA@, @KONTAKT@); scripts/guide-render.py gives
# every chapter an id, puts a contents list before the first chapter and makes each quoted chapter
# name („Usługi programu”) a link to it. The page around it carries its own style sheet and nothing
# else: no script, no font, no reference to anything outside the file (the pictures of windows are
# inside it, as data: URIs; the folder diagram is drawn as SVG), so it opens the
# same in any browser, offline, from the unpacked package. Code blocks wrap their long lines rather
# than cut them. The output depends only on the input and VERSION, so two releases of one commit
# give the same file.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: guide-html.sh VERSION INPUT.md OUTPUT.html" >&2; exit 2; }
version=$1 input=$2 output=$3
command -v cmark-gfm >/dev/null || { echo "guide-html: cmark-gfm is not installed" >&2; exit 1; }
source "$(dirname "$0")/project.sh"
body=$(python3 "$(dirname "$0")/guide-render.py" html \
  --fill "DOSTAWCA=$(project_publisher)" --fill "KONTAKT=$(project_contact)" "$input")
title=$(sed -n '1s/^# //p' "$input")
{
  cat <<HEAD
<!DOCTYPE html>
<html lang="pl">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>$title (wersja $version)</title>
<style>
body { font-family: "Segoe UI", Tahoma, Arial, sans-serif; font-size: 15px; line-height: 1.5;
       max-width: 52em; margin: 2em auto; padding: 0 1em; color: #1b1b1b; }
h1 { font-size: 1.7em; border-bottom: 2px solid #c8c8c8; padding-bottom: .2em; }
h2 { font-size: 1.35em; margin-top: 2em; border-bottom: 1px solid #dcdcdc; }
h3 { font-size: 1.1em; margin-top: 1.5em; }
code, pre { font-family: Consolas, "Lucida Console", monospace; font-size: .92em; }
code { background: #f1f1f1; padding: 0 .2em; }
:not(pre) > code { white-space: nowrap; }
pre { background: #f6f6f6; border: 1px solid #dcdcdc; padding: .6em .8em;
      white-space: pre-wrap; overflow-wrap: anywhere; }
pre code { background: none; padding: 0; }
table { border-collapse: collapse; margin: .8em 0; }
th, td { border: 1px solid #c8c8c8; padding: .25em .6em; vertical-align: top; text-align: left; }
th[align="right"], td[align="right"] { text-align: right; }
th[align="center"], td[align="center"] { text-align: center; }
th { background: #f1f1f1; }
nav.spis { background: #f6f6f6; border: 1px solid #dcdcdc; padding: .2em 1em .6em; margin: 1.5em 0; }
nav.spis h2 { margin-top: .6em; border: none; font-size: 1.15em; }
nav.spis ul { margin: .2em 0; padding-left: 1.4em; }
a { color: #0645ad; }
figure { margin: 1em 0; }
figure.okno img { max-width: 100%; height: auto; border: 1px solid #c8c8c8; }
figure.schemat svg { max-width: 100%; height: auto; }
figcaption { font-size: .9em; color: #555; }
@media print { body { max-width: none; font-size: 11pt; } a { color: inherit; text-decoration: none; } }
</style>
</head>
<body>
<p style="color:#666">cenyzak $version</p>
HEAD
  printf '%s\n' "$body"
  printf '</body>\n</html>\n'
} >"$output"
