#!/usr/bin/env python3
"""The integrator's guide and the changelog as the release package ships them, from their Markdown:

  guide-render.py html [--title-version VERSION] [--fill NAME=VALUE]... INPUT.md
      the HTML body (cmark-gfm's, GitHub's tables included) with an id on every chapter heading
      and on every paragraph that opens with a bold sentence ("**Sprawdzenie plików paczki.**"),
      a contents list of the chapters before the first one, and every quoted chapter name
      („Usługi programu”) turned into a link to its chapter;
  guide-render.py text [--contents] [--title-version VERSION] [--fill NAME=VALUE]... INPUT.md
      plain text for Notepad, WIDTH columns wide: headings underlined, paragraphs and lists
      wrapped and indented, tables laid out in columns, code blocks indented and never wrapped,
      no Markdown markup and no fence information (the guide's example markers).

--fill replaces @NAME@ in the Markdown with VALUE (taken as text, not Markdown); a placeholder
left unfilled is an error, as is a „zob. „…”” reference that names no chapter of the page.
Output is UTF-8 with LF line ends on standard output; the shell scripts around it add what the
package needs (scripts/guide-html.sh, scripts/guide-text.sh).
"""
import argparse
import html
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

WIDTH = 78
NS = "{http://commonmark.org/xml/1.0}"
# Stands for a space that must not break a line while wrapping: between a short word and the next
# (GLUE, given up when the glued words are longer than a line) and inside a code span (CODE_GLUE,
# never given up: a command broken across two lines cannot be typed as it reads, so a code span
# too long for its line stands whole on a line of its own, and the text check finds that line).
GLUE = "\ue000"
CODE_GLUE = "\ue001"
PLACEHOLDER = re.compile(r"@[A-Z_]+@")


def fail(message):
    print(f"guide-render: {message}", file=sys.stderr)
    sys.exit(1)


def markdown_text(value):
    """VALUE as Markdown that renders as exactly VALUE: every ASCII punctuation mark escaped."""
    return re.sub(r"([!-/:-@\[-`{-~])", r"\\\1", value)


def read_markdown(path, fills):
    with open(path, encoding="utf-8") as f:
        source = f.read()
    for name, value in fills:
        source = source.replace(f"@{name}@", markdown_text(value))
    left = sorted(set(PLACEHOLDER.findall(source)))
    if left:
        fail(f"{path}: placeholders left unfilled: {' '.join(left)}")
    return source


def cmark(source, to):
    run = subprocess.run(["cmark-gfm", "--extension", "table", "--to", to], input=source,
                         capture_output=True, text=True, check=False)
    if run.returncode != 0:
        fail(f"cmark-gfm failed: {run.stderr.strip()}")
    return run.stdout


# ---------------------------------------------------------------------------------------------
# Anchors: chapter headings and bold paragraph leads, by a stable ASCII name.

POLISH = str.maketrans("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ", "acelnoszzACELNOSZZ")


def slug(name):
    s = name.translate(POLISH).lower()
    s = re.sub(r"[^a-z0-9]+", "-", s).strip("-")
    return s or "rozdzial"


def reference_names(title):
    """The names a reference may quote a chapter by: its title, and its title without the
    quoted message title after it ("Komunikat o wersji („STOP!!!”)" is also „Komunikat o wersji”)."""
    names = [title]
    short = re.sub(r"\s*\(„[^”]*”\)$", "", title)
    if short != title:
        names.append(short)
    return names


def normal_space(s):
    return re.sub(r"\s+", " ", s).strip()


def plain(fragment):
    return normal_space(html.unescape(re.sub(r"<[^>]+>", "", fragment)))


def render_html(source):
    body = cmark(source, "html")
    used = {}
    anchors = {}  # name -> id
    contents = []  # (level, title, id)

    def new_id(name):
        base = slug(name)
        used[base] = used.get(base, 0) + 1
        return base if used[base] == 1 else f"{base}-{used[base]}"

    def heading(m):
        level, inner = m.group(1), m.group(2)
        title = plain(inner)
        ident = new_id(title)
        for name in reference_names(title):
            anchors.setdefault(name, ident)
        contents.append((int(level), title, ident))
        return f'<h{level} id="{ident}">{inner}</h{level}>'

    body = re.sub(r"<h([23])>(.*?)</h\1>", heading, body, flags=re.S)

    def lead(m):
        name = plain(m.group(1)).rstrip(".")
        ident = new_id(name)
        anchors.setdefault(name, ident)
        return f'<p id="{ident}"><strong>{m.group(1)}</strong>'

    body = re.sub(r"<p><strong>([^<]*?\.)</strong>", lead, body)

    # Quoted chapter names become links, outside code, headings and existing links. A quote right
    # after "zob." must name a chapter.
    unresolved = []

    def link_quotes(text):
        def one(m):
            name = normal_space(html.unescape(m.group(1)))
            ident = anchors.get(name)
            if ident is None:
                before = text[max(0, m.start() - 10):m.start()]
                if re.search(r"zob\.\s+(też\s+)?$", before):
                    unresolved.append(name)
                return m.group(0)
            return f'<a href="#{ident}">{m.group(0)}</a>'
        return re.sub(r"„([^„”<]+)”", one, text)

    parts = re.split(r"(<pre.*?</pre>|<code>.*?</code>|<h[1-6][^>]*>.*?</h[1-6]>|<a .*?</a>|<[^>]+>)",
                     body, flags=re.S)
    body = "".join(p if i % 2 else link_quotes(p) for i, p in enumerate(parts))
    if unresolved:
        fail("references to no chapter: " + ", ".join(f"„{n}”" for n in unresolved))

    # The contents list, before the first chapter.
    toc = ['<nav class="spis">', '<h2 id="spis-tresci">Spis treści</h2>', "<ul>"]
    open_sub = False
    for level, title, ident in contents:
        if level == 3 and not open_sub:
            toc[-1] = toc[-1][: -len("</li>")] if toc[-1].endswith("</li>") else toc[-1]
            toc.append("<ul>")
            open_sub = True
        elif level == 2 and open_sub:
            toc.append("</ul></li>")
            open_sub = False
        toc.append(f'<li><a href="#{ident}">{html.escape(title, quote=False)}</a></li>')
    if open_sub:
        toc.append("</ul></li>")
    toc += ["</ul>", "</nav>"]
    first = body.find("<h2 ")
    if first < 0:
        return body
    return body[:first] + "\n".join(toc) + "\n" + body[first:]


# ---------------------------------------------------------------------------------------------
# Plain text.

def inline_text(node):
    """The inline content of NODE as one string; spaces inside code spans are CODE_GLUE."""
    out = []

    def walk(n):
        tag = n.tag[len(NS):]
        if tag == "text":
            out.append(n.text or "")
        elif tag == "code":
            out.append((n.text or "").replace(" ", CODE_GLUE))
        elif tag == "softbreak":
            out.append(" ")
        elif tag == "linebreak":
            out.append("\n")
        elif tag == "html_inline":
            out.append(n.text or "")
        elif tag == "link":
            start = len(out)
            for c in n:
                walk(c)
            label = "".join(out[start:]).replace(CODE_GLUE, " ")
            dest = n.get("destination", "")
            if dest and not dest.startswith("#") and dest != label:
                out.append(f" ({dest})")
        elif tag == "image":
            for c in n:
                walk(c)
        else:  # emph, strong, strikethrough: their text
            for c in n:
                walk(c)
    for c in node:
        walk(c)
    return "".join(out)


# One-letter words that Polish typesetting keeps with the next word; a short number is kept with
# the word after it ("21 usług"), or, ending a phrase, with the word before it ("Windows 7,").
SHORT = re.compile(r"(?<![^\s(„])([aiouwzAIOUWZ]) ")
NUMBER_BEFORE = re.compile(r"(?<![\w.,])(\d{1,3}) (?=\w)")
NUMBER_AFTER = re.compile(r"(?<=\w) (\d{1,2})(?=[,.;:)]|$)")


def wrap(text, width):
    """TEXT wrapped to WIDTH: lines break at spaces, never inside a code span."""
    lines = []
    for hard in text.split("\n"):
        hard = SHORT.sub(r"\1" + GLUE, hard)
        hard = NUMBER_AFTER.sub(GLUE + r"\1", NUMBER_BEFORE.sub(r"\1" + GLUE, hard))
        words = []
        for w in hard.split(" "):
            if not w:
                continue
            # Glued words longer than a line break at their own spaces; a code span does not.
            words.extend(w.split(GLUE) if len(w) > width and CODE_GLUE not in w else [w])
        line = ""
        for w in words:
            if line and len(line) + 1 + len(w) > width:
                lines.append(line)
                line = w
            else:
                line = f"{line} {w}" if line else w
        lines.append(line)
    return [l.replace(GLUE, " ").replace(CODE_GLUE, " ") for l in lines]


def underline(title, char):
    return [title, char * len(title)]


class Text:
    """Block layout; VERSION, when given, is named under the title."""

    def __init__(self, version):
        self.version = version

    def blocks(self, nodes, indent):
        out = []
        for n in nodes:
            lines = self.block(n, indent)
            if lines is None:
                continue
            if out:
                out.append("")
            out.extend(lines)
        return out

    def block(self, n, indent):
        tag = n.tag[len(NS):]
        pad = " " * indent
        if tag == "heading":
            title = inline_text(n).replace(CODE_GLUE, " ")
            level = int(n.get("level"))
            if level == 1:
                lines = ["=" * len(title), title, "=" * len(title)]
                if self.version:
                    lines += ["", f"cenyzak {self.version}"]
                return lines
            if level == 2:
                return [""] + underline(title, "=")
            return underline(title, "-")
        if tag == "paragraph":
            return [pad + l for l in wrap(inline_text(n), WIDTH - indent)]
        if tag == "code_block":
            code = (n.text or "").rstrip("\n").split("\n")
            return [(pad + "    " + l) if l else "" for l in code]
        if tag == "html_block":
            return [pad + l for l in (n.text or "").rstrip("\n").split("\n")]
        if tag == "block_quote":
            return self.blocks(list(n), indent + 2)
        if tag == "thematic_break":
            return [pad + "-" * (WIDTH - indent)]
        if tag == "list":
            return self.list(n, indent)
        if tag == "table":
            return self.table(n, indent)
        return self.blocks(list(n), indent)

    def list(self, n, indent):
        ordered = n.get("type") == "ordered"
        start = int(n.get("start", "1"))
        tight = n.get("tight") == "true"
        items = list(n)
        marker_width = len(f"{start + len(items) - 1}. ") if ordered else 2
        out = []
        for i, item in enumerate(items):
            marker = f"{start + i}." if ordered else "-"
            marker = marker.ljust(marker_width)
            body = self.blocks(list(item), indent + marker_width)
            if body:
                body[0] = " " * indent + marker + body[0][indent + marker_width:]
            if out and not tight:
                out.append("")
            out.extend(body)
        return out

    def table(self, n, indent):
        rows = []
        aligns = []
        for r in n:
            cells = [inline_text(c).replace("\n", " ") for c in r]
            if r.tag == NS + "table_header":
                aligns = [c.get("align", "") for c in r]
            rows.append(cells)
        cols = max(len(r) for r in rows)
        rows = [r + [""] * (cols - len(r)) for r in rows]
        aligns += [""] * (cols - len(aligns))
        gap = 2
        room = WIDTH - indent - gap * (cols - 1)
        natural = [max(len(r[j]) for r in rows) for j in range(cols)]
        # The longest word of a column is its narrowest width (a code span is one word).
        narrowest = [min(max(len(w) for r in rows for w in r[j].split(" ")), room // cols)
                     for j in range(cols)]
        widths = natural
        if sum(natural) > room:
            cap = max(natural)
            while cap > 1 and sum(min(natural[j], max(cap, narrowest[j])) for j in range(cols)) > room:
                cap -= 1
            widths = [min(natural[j], max(cap, narrowest[j])) for j in range(cols)]
        cells = [[wrap(c, widths[j]) for j, c in enumerate(r)] for r in rows]
        tall = any(len(c) > 1 for r in cells for c in r)
        pad = " " * indent
        out = []

        def line_of(r):
            for k in range(max(len(c) for c in r)):
                parts = []
                for j, c in enumerate(r):
                    s = c[k] if k < len(c) else ""
                    parts.append(s.rjust(widths[j]) if aligns[j] == "right" else s.ljust(widths[j]))
                out.append(pad + (" " * gap).join(parts))

        line_of(cells[0])
        out.append(pad + (" " * gap).join("-" * w for w in widths))
        for i, r in enumerate(cells[1:]):
            if tall and i:
                out.append("")
            line_of(r)
        return out


def render_text(source, contents, version):
    root = ET.fromstring(cmark(source, "xml"))
    t = Text(version)
    nodes = list(root)
    chapters = [n for n in nodes if n.tag == NS + "heading" and n.get("level") in ("2", "3")]
    out = []
    for n in nodes:
        if contents and chapters and n is chapters[0]:
            # The contents list, before the first chapter.
            out += ["", ""] + underline("Spis treści", "=")
            for h in chapters:
                title = inline_text(h).replace(CODE_GLUE, " ")
                out.append(("  " if h.get("level") == "2" else "      ") + title)
        if out:
            out.append("")
        out.extend(t.block(n, 0))
    return "\n".join(l.rstrip() for l in out).rstrip("\n") + "\n"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("to", choices=["html", "text"])
    p.add_argument("input")
    p.add_argument("--contents", action="store_true")
    p.add_argument("--title-version")
    p.add_argument("--fill", action="append", default=[])
    a = p.parse_args()
    fills = []
    for f in a.fill:
        name, _, value = f.partition("=")
        fills.append((name, value))
    source = read_markdown(a.input, fills)
    sys.stdout.reconfigure(newline="\n")
    if a.to == "html":
        sys.stdout.write(render_html(source))
    else:
        sys.stdout.write(render_text(source, a.contents, a.title_version))


if __name__ == "__main__":
    main()
