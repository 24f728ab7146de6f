#!/usr/bin/env bash
# The integrator's guide shows what its commands print; this runs every such command that can run
# here and checks that it prints exactly what the guide shows, so that the guide cannot drift
# from the tools.
#
#   scripts/guide-examples.sh            natively: the pre-flight tool's Linux build
#                                        (build/linux/cenyzak-sprawdz) and scripts/symbolize
#   scripts/guide-examples.sh --wine     the pre-flight tool's examples with cenyzak-sprawdz.exe
#                                        under Wine, at the very paths the guide shows
#   scripts/guide-examples.sh --update   writes what the commands print now into the guide's
#                                        output blocks (after a change the guide must follow;
#                                        read the diff before committing it)
#
# In docs/INSTRUKCJA.md (and, for the developer's example, docs/SUPPORT.md, which does not ship) a
# command block is fenced with "```LANG przyklad=NAME" and its output block with
# "```text wynik=NAME". The names this script knows, and what it sets up for them:
#   symbolize        docs/SUPPORT.md's scripts/symbolize line, with -d pointed at build/win32's
#                    debug file
#   sprawdz-brak     the cenyzak-sprawdz.exe line, on a program folder whose VORDAN.dll (the
#                    simulated host module) lacks service 52224, no plug-in installed
#   sprawdz-wtyczka  the cenyzak-sprawdz.exe line, on the same folder with the plug-in installed
#                    in its Wtyczki, given the plug-in's file instead of the folder
# Natively it also checks that every chapter the pre-flight tool's texts and the setup program's
# texts name („rozdział „…””) is a heading of the guide, and compares the pre-flight tool's verdict table in the guide (the Markdown table
# whose header is "| stan | kod | WYNIK | CO DALEJ |") with the tool's own
# (build/linux/cenyzak-sprawdz --reguly); --update writes the tool's into the guide.
# Windows paths in the commands are taken from drive C: of a folder made for the run (natively)
# or of the Wine prefix; natively, the paths the tool prints are turned back into the guide's.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
guide=docs/INSTRUKCJA.md
# The document that holds an example.
doc_of() { if [ "$1" = symbolize ]; then echo docs/SUPPORT.md; else echo "$guide"; fi; }
mode=native update=0
for a in "$@"; do
  case $a in
    --wine) mode=wine ;;
    --update) update=1 ;;
    *) echo "usage: guide-examples.sh [--wine] [--update]"; exit 2 ;;
  esac
done
win=$root/build/win32
for f in "$win/VORDAN.dll" "$win/cenyzak.dll" "$win/cenyzak.dll.debug" "$win/cenyzak-sprawdz.exe"; do
  [ -f "$f" ] || { echo "guide-examples: $f is missing: build the win32 preset first"; exit 1; }
done
[ "$mode" = native ] && [ ! -x build/linux/cenyzak-sprawdz ] &&
  { echo "guide-examples: build/linux/cenyzak-sprawdz is missing: build the linux preset first"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The lines of the block fenced with "```... KEY=NAME" in the example's document, without the
# fences. A block inside a list item is indented as its fence is; the indentation is not part of it.
block() {
  awk -v tag="$1=$2" '
    on && /^ *```/ { exit }
    on { print substr($0, 1, indent) ~ /^ *$/ ? substr($0, indent + 1) : $0 }
    /^ *```/ && index($0, " " tag) && substr($0, index($0, " " tag) + length(tag) + 1) == "" {
      on = 1; match($0, /^ */); indent = RLENGTH }
  ' "$(doc_of "$2")"
}
# The arguments of a command line: words, or "quoted words" (without their quotes).
arguments() { grep -o -E '"[^"]*"|[^ ]+' <<<"$1" | sed -E 's/^"(.*)"$/\1/'; }

if [ "$mode" = wine ]; then
  source scripts/wine-env.sh
  wine_setup guide-examples || exit 1
  drive=$WINEPREFIX/drive_c
  tool_dir=$drive/Paczki/cenyzak-guide/narzedzia
  mkdir -p "$tool_dir" && cp "$win/cenyzak-sprawdz.exe" "$tool_dir/"
else
  drive=$work/C
fi
unix_path() { local p=${1#C:\\}; echo "$drive/${p//\\//}"; }

# The program folder of the tool's examples, in the state each example needs.
program='C:\Program Files (x86)\Vordan'
set_up_program() { # missing ordinal, plug-in installed (0/1)
  local dir
  dir=$(unix_path "$program")
  rm -rf "$dir" && mkdir -p "$dir/Wtyczki"
  cp "$win/VORDAN.dll" "$dir/VORDAN.dll"
  scripts/pe-clear-export.sh "$dir/VORDAN.dll" "$1"
  [ "$2" -eq 1 ] && cp "$win/cenyzak.dll" "$dir/Wtyczki/cenyzak.dll"
  return 0
}

run_tool() { # the command line from the guide; prints the report as the guide shows it
  local line=$1 args=() a
  line=${line#*cenyzak-sprawdz.exe }
  while IFS= read -r a; do args+=("$a"); done < <(arguments "$line")
  if [ "$mode" = wine ]; then
    (cd "$tool_dir" && "${wine_env[@]}" timeout 60 wine cenyzak-sprawdz.exe "${args[@]}" </dev/null \
      2>/dev/null) | sed '1s/^\xEF\xBB\xBF//' | tr -d '\r'
  else
    local native=()
    for a in "${args[@]}"; do
      if [[ $a == 'C:\'* ]]; then native+=("$(unix_path "$a")"); else native+=("$a"); fi
    done
    # Paths printed back as the guide's: the run's drive as C:\, and its separators as \.
    build/linux/cenyzak-sprawdz "${native[@]}" |
      awk -v drive="$drive/" 'index($0, drive) { i = index($0, drive)
        head = substr($0, 1, i - 1); path = substr($0, i + length(drive)); gsub("/", "\\", path)
        $0 = head "C:\\" path } { print }'
  fi
}

passed=0 failed=0 updated=()
check() { # name, what the command printed
  local name=$1 expected
  expected=$(block wynik "$name")
  if ! grep -q -E "^ *\`\`\`[a-z]* wynik=$name\$" "$(doc_of "$name")"; then
    echo "guide-examples: $name: $(doc_of "$name") has no output block 'wynik=$name'"
    failed=$((failed + 1))
  elif [ "$2" = "$expected" ]; then
    echo "guide-examples: $name: prints what the guide shows"
    passed=$((passed + 1))
  elif [ $update -eq 1 ]; then
    printf '%s\n' "$2" >"$work/$name.out"
    updated+=("$name")
  else
    echo "guide-examples: $name: the guide shows other output than the command prints:"
    diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$2") | tail -n +3 | head -n 40
    failed=$((failed + 1))
  fi
}

for name in symbolize sprawdz-brak sprawdz-wtyczka; do
  command=$(block przyklad "$name" | grep -m 1 -E 'symbolize|cenyzak-sprawdz\.exe')
  if [ -z "$command" ]; then
    echo "guide-examples: $name: $(doc_of "$name") has no command block 'przyklad=$name'"
    failed=$((failed + 1))
    continue
  fi
  case $name in
    symbolize)
      [ "$mode" = wine ] && continue
      args=()
      while IFS= read -r a; do args+=("$a"); done < <(arguments "${command#*symbolize }")
      [ "${args[0]}" = -d ] && args=(-d "$win/cenyzak.dll.debug" "${args[@]:2}")
      check "$name" "$(scripts/symbolize "${args[@]}" 2>&1)"
      ;;
    sprawdz-brak)
      set_up_program 52224 0
      check "$name" "$(run_tool "$command")"
      ;;
    sprawdz-wtyczka)
      set_up_program 52224 1
      check "$name" "$(run_tool "$command")"
      ;;
  esac
done
[ "$mode" = wine ] && "${wine_env[@]}" wineserver -k 2>/dev/null

# The chapters the pre-flight tool's and the setup program's texts send the reader to: each one a
# heading of the guide, by its title or by its title without the quoted message title after it,
# as the HTML guide links them (scripts/guide-render.py).
if [ "$mode" = native ]; then
  problems=$(python3 - "$guide" cenyzak-sprawdz/verdicts.cpp cenyzak-sprawdz/report_pl.cpp \
    cenyzak-sprawdz/standins.h cenyzak-setup/teksty.nsh cenyzak-setup/setup.nsi 2>&1 <<'PY'
import re, sys
guide = open(sys.argv[1], encoding="utf-8").read()
headings = set()
for title in re.findall(r"^#{2,4} +(.+?) *$", guide, re.M):
    headings.add(title)
    headings.add(re.sub(r"\s*\(„[^”]*”\)$", "", title))
named = {}
for path in sys.argv[2:]:
    text = open(path, encoding="utf-8").read()
    if path.endswith((".cpp", ".h")):
        text = re.sub(r'"\s*\n\s*"', "", text)  # a C++ string split over lines, as one
    for m in re.finditer(r"rozdzia[łl]\w*\s+„([^”]+)”", text):
        named.setdefault(re.sub(r"\s+", " ", m.group(1)), path)
if not any(p.endswith(".cpp") for p in named.values()):
    print("no chapter named in the tool's texts: the check reads the wrong files")
for name, path in sorted(named.items()):
    if name not in headings:
        print(f"{path} names the chapter „{name}”, which is no heading of the guide")
PY
  ) || problems+=$'\n'"the check could not read the texts"
  if [ -z "$problems" ]; then
    echo "guide-examples: every chapter the tool and the setup name is a heading of the guide"
    passed=$((passed + 1))
  else
    echo "guide-examples: chapters named by the tool or the setup:"
    sed 's/^/  /' <<<"$problems"
    failed=$((failed + 1))
  fi
fi

# The verdict table: the guide's rows, from its header to the table's last row, against the tool's.
rules_header='| stan | kod | WYNIK | CO DALEJ |'
guide_rules() { awk -v h="$rules_header" '$0 == h { on = 1 } on && !/^\|/ { exit } on' "$guide"; }
if [ "$mode" = native ]; then
  tool_rules=$(build/linux/cenyzak-sprawdz --reguly)
  if [ -z "$(guide_rules)" ]; then
    echo "guide-examples: verdict table: the guide has no table headed '$rules_header'"
    failed=$((failed + 1))
  elif [ "$(guide_rules)" = "$tool_rules" ]; then
    echo "guide-examples: verdict table: the guide's is the tool's"
    passed=$((passed + 1))
  elif [ $update -eq 1 ]; then
    printf '%s\n' "$tool_rules" >"$work/rules"
    awk -v h="$rules_header" -v file="$work/rules" '
      $0 == h { while ((getline row < file) > 0) print row; skip = 1; next }
      skip && /^\|/ { next }
      { skip = 0; print }
    ' "$guide" >"$work/guide" && cp "$work/guide" "$guide"
    echo "guide-examples: verdict table: written anew from the tool's"
  else
    echo "guide-examples: verdict table: the guide's differs from the tool's (--reguly):"
    diff -u <(guide_rules) <(printf '%s\n' "$tool_rules") | tail -n +3 | head -n 40
    failed=$((failed + 1))
  fi
fi

# The guide as the release ships it: one HTML page that needs nothing outside itself and comes out
# the same every time.
if [ "$mode" = native ] && [ $update -eq 0 ]; then
  if scripts/guide-html.sh 0.0.0 "$guide" "$work/one.html" &&
    scripts/guide-html.sh 0.0.0 "$guide" "$work/two.html" && cmp -s "$work/one.html" "$work/two.html" &&
    grep -q '<meta charset="utf-8">' "$work/one.html" &&
    ! grep -q -i -E '<script|<link|<img|<iframe| src=|url\(' "$work/one.html" &&
    grep -q 'Moduł programu: C:\\Program Files (x86)\\Vordan\\VORDAN.dll' "$work/one.html"; then
    echo "guide-examples: the HTML guide: self-contained, the same on every run, with the examples"
    passed=$((passed + 1))
  else
    echo "guide-examples: the HTML guide is not self-contained, not reproducible or lacks the examples"
    failed=$((failed + 1))
  fi
  # Its contents list and references: every chapter listed, every link leading to a chapter, no
  # „zob. „…”” left as plain text; the supplier named, and long lines wrapped, not cut.
  source scripts/project.sh
  problems=$(python3 - "$work/one.html" "$(project_publisher)" 2>&1 <<'PY'
import re, sys
page = open(sys.argv[1], encoding="utf-8").read()
ids = set(re.findall(r' id="([^"]+)"', page))
nav = re.search(r'<nav class="spis">(.*?)</nav>', page, re.S)
listed = set(re.findall(r'href="#([^"]+)"', nav.group(1))) if nav else set()
chapters = re.findall(r'<h[23] id="([^"]+)"', page)
for c in chapters:
    if c != "spis-tresci" and c not in listed:
        print(f"chapter #{c} is not in the contents list")
for target in sorted(set(re.findall(r'href="#([^"]+)"', page)) - ids):
    print(f"a link to #{target}, which is no chapter")
text = re.sub(r"<pre.*?</pre>", "", page, flags=re.S)
for m in re.finditer(r"zob\.\s+(też\s+)?„[^”]*”", text):
    print(f"a reference that is no link: {m.group(0)}")
if re.search(r"@[A-Z_]+@", page):
    print("a placeholder left unfilled")
if sys.argv[2] not in page:
    print(f"the supplier ({sys.argv[2]}) is not named")
if not re.search(r"pre \{[^}]*white-space: pre-wrap", page):
    print("code blocks do not wrap their long lines")
if not nav:
    print("no contents list")
PY
  ) || problems+=$'\n'"the check could not read the page"
  if [ -z "$problems" ]; then
    echo "guide-examples: the HTML guide: a contents list of every chapter, every reference a link"
    passed=$((passed + 1))
  else
    echo "guide-examples: the HTML guide's contents and links:"
    sed 's/^/  /' <<<"$problems"
    failed=$((failed + 1))
  fi

  # The guide and the changelog as the package's text files: plain text for Notepad (a byte order
  # mark, CRLF), no Markdown markup, no example markers, no placeholders, tables laid out, and no
  # line over 78 columns but the lines of code blocks, which are never wrapped.
  for pair in "$guide:$work/guide.txt:--contents --version 0.0.0" "CHANGELOG.md:$work/changelog.txt:"; do
    IFS=: read -r source_md rendered options <<<"$pair"
    # shellcheck disable=SC2086 # the options are words
    if ! scripts/guide-text.sh $options "$source_md" "$rendered"; then
      echo "guide-examples: $source_md as text: scripts/guide-text.sh failed"
      failed=$((failed + 1))
      continue
    fi
    problems=$(python3 - "$source_md" "$rendered" "$(project_publisher)" 2>&1 <<'PY'
import re, sys
source = open(sys.argv[1], encoding="utf-8").read()
raw = open(sys.argv[2], "rb").read()
if not raw.startswith(b"\xef\xbb\xbf"):
    print("no UTF-8 byte order mark")
if re.search(rb"(?<!\r)\n", raw):
    print("a line that does not end in CRLF")
text = raw.decode("utf-8-sig").replace("\r\n", "\n")
code = set()
for block in re.findall(r"^ *```[^\n]*\n(.*?)^ *```", source, re.S | re.M):
    code.update(l.strip() for l in block.split("\n") if l.strip())
for word in ("przyklad=", "wynik=", "```"):
    if word in text:
        print(f"'{word}' is in the text")
if re.search(r"@[A-Z_]+@", text):
    print("a placeholder left unfilled")
for n, line in enumerate(text.split("\n"), 1):
    if line.strip() in code:
        continue
    if len(line) > 78:
        print(f"line {n} is {len(line)} columns wide: {line}")
    if re.search(r"`|\*\*|\]\(|^\s*#|^\s*\|?\s*:?-{3,}:?\s*\||"
                 r"</?(p|a|br|code|strong|em|pre|table|tr|td|th|ul|ol|li|h[1-6])\b[^>]*>", line):
        print(f"line {n} has Markdown markup: {line}")
if "INSTRUKCJA" in sys.argv[1]:
    if sys.argv[3] not in text:
        print(f"the supplier ({sys.argv[3]}) is not named")
    # The record sizes' table, its number columns aligned right.
    if not re.search(r"^ *Mm +58 +526\n *Mm_dok +67 +660$", text, re.M):
        print("the record sizes' table is not laid out in columns")
PY
    ) || problems+=$'\n'"the check could not read the text"
    if [ -z "$problems" ]; then
      echo "guide-examples: $source_md as text: plain, laid out, no markup, no markers"
      passed=$((passed + 1))
    else
      echo "guide-examples: $source_md as text:"
      sed 's/^/  /' <<<"$problems" | head -n 20
      failed=$((failed + 1))
    fi
  done
fi

if [ ${#updated[@]} -gt 0 ]; then
  for name in "${updated[@]}"; do
    doc=$(doc_of "$name")
    awk -v tag="wynik=$name" -v file="$work/$name.out" '
      skip && /^ *```/ { skip = 0 }
      skip { next }
      { print }
      /^ *```/ && index($0, " " tag) && substr($0, index($0, " " tag) + length(tag) + 1) == "" {
        indent = $0; sub(/```.*/, "", indent)
        while ((getline row < file) > 0) print (row == "" ? "" : indent row)
        skip = 1 }
    ' "$doc" >"$work/doc" && cp "$work/doc" "$doc"
    echo "guide-examples: $name: the output block in $doc written anew"
  done
fi
echo "guide-examples: $passed passed, $failed failed${updated:+, ${#updated[@]} updated}"
[ "$failed" -eq 0 ]
