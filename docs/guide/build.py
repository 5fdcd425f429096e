#!/usr/bin/python3
"""Builds the user guide ("Руководство пользователя") into HTML pages.

    build.py --out DIR [--codes-program PATH] [--check]

One page per chapter (CHAPTERS below, from the Markdown files beside this
script), with the images they use and a style sheet. The table of result
codes comes from `korvant-guide codes`, that is from the table the program
explains its codes with. --check fails (status 1) on a link to a page or
anchor that does not exist, a missing image, or a screenshot no page shows;
without it those are warnings, so that a slip in the text never stops the
program's build.

Needs python3-markdown (Debian package), nothing else.
"""

import argparse
import html.parser
import os
import re
import shutil
import subprocess
import sys

import markdown
import markdown.extensions.toc

HERE = os.path.dirname(os.path.abspath(__file__))

# (source, title in the navigation), in reading order.
CHAPTERS = [
    ("index", "Содержание"),
    ("install", "Установка и первый запуск"),
    ("registers", "Список ККТ"),
    ("settings", "Параметры ККТ"),
    ("goods", "Номенклатура"),
    ("safety", "Страховка"),
    ("fleet", "Одно изменение во много ККТ"),
    ("journal", "Журнал обмена и диагностика"),
    ("errors", "Ошибки и коды результата"),
    ("cli", "Командная строка"),
]

CODES_MARK = "<!-- result-codes -->"

PAGE = """<!DOCTYPE html>
<html lang="ru">
<head>
<meta charset="utf-8">
<title>{title} — Korvant Utility 3</title>
<link rel="stylesheet" href="guide.css">
</head>
<body>
<p class="nav">{nav}</p>
<hr>
{body}
<hr>
<p class="nav">{nav}</p>
</body>
</html>
"""

CSS = """body { font-family: "DejaVu Sans", Arial, sans-serif; max-width: 60em; margin: 1em auto;
       padding: 0 1em; line-height: 1.45; color: #222; }
h1 { font-size: 150%; } h2 { font-size: 125%; margin-top: 1.5em; } h3 { font-size: 110%; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #999; padding: 0.25em 0.5em; vertical-align: top; text-align: left; }
th { background: #eee; }
pre { background: #f4f4f4; padding: 0.5em; overflow-x: auto; }
code { font-family: "DejaVu Sans Mono", monospace; }
img { max-width: 100%; border: 1px solid #ccc; }
.nav { font-size: 90%; }
tr:target { background: #ffd; }
"""


class Links(html.parser.HTMLParser):
    """Collects ids, link targets and image sources of one page."""

    def __init__(self):
        super().__init__()
        self.ids, self.hrefs, self.images = set(), [], []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ("id", "name"):
            if a.get(key) and (key == "id" or tag == "a"):
                self.ids.add(a[key])
        if tag == "a" and a.get("href"):
            self.hrefs.append(a["href"])
        if tag == "img" and a.get("src"):
            self.images.append(a["src"])


def codes_table(program):
    if not program:
        return "<p>(Таблица кодов не построена: не указана программа korvant-guide.)</p>"
    out = subprocess.run([program, "codes"], check=True, capture_output=True)
    return out.stdout.decode("utf-8")


def navigation(index):
    parts = []
    if index > 0:
        name, title = CHAPTERS[index - 1]
        parts.append(f'<a href="{name}.html">← {title}</a>')
    if index != 0:
        parts.append('<a href="index.html">Содержание</a>')
    if index + 1 < len(CHAPTERS):
        name, title = CHAPTERS[index + 1]
        parts.append(f'<a href="{name}.html">{title} →</a>')
    return " | ".join(parts)


def render(name, codes):
    with open(os.path.join(HERE, name + ".md"), encoding="utf-8") as f:
        text = f.read()
    text = text.replace(CODES_MARK, codes)
    md = markdown.Markdown(extensions=["extra", "toc", "sane_lists"],
                           extension_configs={"toc": {"slugify": markdown.extensions.toc.slugify_unicode}})
    body = md.convert(text)
    # Borders that the program's own help window (which reads no CSS
    # borders) draws too.
    body = body.replace("<table>", '<table border="1" cellspacing="0" cellpadding="4">')
    title = re.sub(r"<[^>]+>", "", re.search(r"<h1[^>]*>(.*?)</h1>", body).group(1))
    return title, body


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--codes-program")
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()

    problems = []
    codes = codes_table(args.codes_program)
    os.makedirs(os.path.join(args.out, "images"), exist_ok=True)
    pages = {}
    for index, (name, _) in enumerate(CHAPTERS):
        title, body = render(name, codes)
        page = PAGE.format(title=title, nav=navigation(index), body=body)
        with open(os.path.join(args.out, name + ".html"), "w", encoding="utf-8") as f:
            f.write(page)
        links = Links()
        links.feed(page)
        pages[name + ".html"] = links
    with open(os.path.join(args.out, "guide.css"), "w", encoding="utf-8") as f:
        f.write(CSS)

    used = set()
    for page, links in pages.items():
        for src in links.images:
            source = os.path.join(HERE, src)
            if not os.path.isfile(source):
                problems.append(f"{page}: no image {src}")
                continue
            used.add(os.path.basename(src))
            shutil.copyfile(source, os.path.join(args.out, src))
        for href in links.hrefs:
            if re.match(r"^[a-z]+:", href):
                continue
            target, _, anchor = href.partition("#")
            target = target or page
            if target not in pages:
                problems.append(f"{page}: link to a missing page {href}")
            elif anchor and anchor not in pages[target].ids:
                problems.append(f"{page}: link to a missing anchor {href}")
    for png in sorted(os.listdir(os.path.join(HERE, "images"))):
        if png.endswith(".png") and png not in used:
            problems.append(f"images/{png}: shown on no page")

    for p in problems:
        print(("guide: " if args.check else "guide (warning): ") + p, file=sys.stderr)
    return 1 if problems and args.check else 0


if __name__ == "__main__":
    sys.exit(main())
