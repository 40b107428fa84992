#!/usr/bin/env python3
"""Checks that every relative link of the package's documents leads to something inside the
package: the links and pictures of README.md, and in each TRXDESK.CHM (read out with 7-Zip)
every page, picture and anchor that its pages, contents and index name. Links to the web
(a scheme such as https:) and anchors within README.md are not followed.
Prints one line per link that leads nowhere; exit status 1 when there is one.

    check_links.py PACKAGE_FOLDER
"""

import os
import re
import subprocess
import sys
import tempfile
from urllib.parse import unquote

SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")
# Markdown: [text](target "title"), ![alt](target), and [name]: target definitions.
MD_INLINE = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
MD_DEFINITION = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)")
CODE_SPAN = re.compile(r"`+[^`]*`+")
# HTML, as halibut writes it and as a README may hold it.
HTML_LINK = re.compile(r"""\b(?:href|src)\s*=\s*["']([^"']*)["']""", re.IGNORECASE)
HHC_LOCAL = re.compile(r"""<param\s+name\s*=\s*["']Local["']\s+value\s*=\s*["']([^"']*)["']""",
                       re.IGNORECASE)
HTML_ANCHOR = r"""\b(?:name|id)\s*=\s*["']{}["']"""


def markdown_targets(text):
    """The link targets of a Markdown text, outside code blocks and code spans."""
    fenced = False
    for number, line in enumerate(text.splitlines(), 1):
        if line.lstrip().startswith("```"):
            fenced = not fenced
            continue
        if fenced or line.startswith(("    ", "\t")):
            continue
        line = CODE_SPAN.sub("", line)
        for pattern in (MD_INLINE, MD_DEFINITION, HTML_LINK):
            for match in pattern.finditer(line):
                yield number, match.group(1)


def local_part(target):
    """The file and the anchor a relative link names; None for a link to the web."""
    if not target or SCHEME.match(target):
        return None
    target = target.split("?", 1)[0]
    path, _, anchor = target.partition("#")
    return unquote(path), unquote(anchor)


def inside(root, base, path):
    """The file `path` names from folder `base`, when it stays inside `root`."""
    full = os.path.normpath(os.path.join(base, path))
    return full if os.path.commonpath([root, full]) == root else None


def check_readme(root, readme, faults):
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    name = os.path.relpath(readme, root)
    for number, target in markdown_targets(text):
        part = local_part(target)
        if part is None or not part[0]:
            continue  # the web, or an anchor of the README itself
        full = inside(root, os.path.dirname(readme), part[0])
        if full is None or not os.path.exists(full):
            faults.append(f"{name}:{number}: {target} is not in the package")


def check_help(root, chm, faults):
    name = os.path.relpath(chm, root)
    with tempfile.TemporaryDirectory() as out:
        done = subprocess.run(["7z", "x", "-y", "-o" + out, chm], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            faults.append(f"{name}: 7-Zip cannot read it: {done.stderr.strip()}")
            return
        pages = {}
        for folder, _, files in os.walk(out):
            for file in files:
                if file.lower().endswith((".html", ".htm", ".hhc", ".hhk")):
                    path = os.path.join(folder, file)
                    with open(path, encoding="utf-8", errors="replace") as f:
                        pages[path] = f.read()
        if not pages:
            faults.append(f"{name}: holds no pages")
        for page, text in sorted(pages.items()):
            for pattern in (HTML_LINK, HHC_LOCAL):
                for target in pattern.findall(text):
                    part = local_part(target)
                    if part is None:
                        continue
                    path, anchor = part
                    full = inside(out, os.path.dirname(page), path) if path else page
                    where = f"{name}: {os.path.relpath(page, out)} links to {target}"
                    if full is None or not os.path.isfile(full):
                        faults.append(where + ", which it does not hold")
                    elif anchor and full in pages and not re.search(
                            HTML_ANCHOR.format(re.escape(anchor)), pages[full]):
                        faults.append(where + ", whose anchor is missing")


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    root = os.path.realpath(argv[1])
    faults = []
    readmes, helps = [], []
    for folder, _, files in os.walk(root):
        for file in files:
            if file == "README.md":
                readmes.append(os.path.join(folder, file))
            elif file.upper().endswith(".CHM"):
                helps.append(os.path.join(folder, file))
    if not readmes or not helps:
        faults.append(f"{root} holds no README.md or no help (.CHM)")
    for readme in sorted(readmes):
        check_readme(root, readme, faults)
    for chm in sorted(helps):
        check_help(root, chm, faults)
    for fault in faults:
        print(fault)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main(sys.argv)
