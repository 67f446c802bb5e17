#!/usr/bin/env python3
"""Every relative link in README.md and docs/*.md resolves: the file exists, and
a #fragment names a heading of the target page (GitHub's anchors).

    doc_links.py [ROOT]     ROOT defaults to the folder above this script

Prints one line per broken link and exits 1 when there is any.
"""
import glob
import os
import re
import sys
import unicodedata

FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
# [text](target) and ![alt](target); the text may hold one level of brackets.
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*(<[^>]*>|[^\s)]+)(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*(<[^>]*>|\S+)")
HTML_ANCHOR = re.compile(r"<a\s[^>]*(?:id|name)=\"([^\"]+)\"")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def prose_lines(text):
    """The lines outside fenced code blocks, with their numbers."""
    fenced = False
    for number, line in enumerate(text.splitlines(), 1):
        if FENCE.match(line):
            fenced = not fenced
            continue
        if not fenced:
            yield number, line


def slug(heading):
    """GitHub's anchor for a heading: its text as shown, lower case, without
    punctuation, each blank a hyphen."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # a link shows its text
    text = re.sub(r"<[^>]+>", "", text).lower()
    return "".join("-" if c == " " else c for c in text
                   if c in " -_" or unicodedata.category(c)[0] in "LNM")


def anchors(path):
    """Every anchor a page offers: its headings' slugs (a repeated one numbered
    -1, -2, ... as GitHub does) and explicit HTML anchors."""
    found, seen = set(), {}
    for _, line in prose_lines(read(path)):
        m = HEADING.match(line)
        if m:
            base = slug(m.group(2))
            n = seen.get(base, 0)
            seen[base] = n + 1
            found.add(base if n == 0 else f"{base}-{n}")
        found.update(HTML_ANCHOR.findall(line))
    return found


def links(text):
    """(line number, target) of every link outside code."""
    for number, line in prose_lines(text):
        line = CODE_SPAN.sub("", line)
        m = REFERENCE.match(line)
        if m:
            yield number, m.group(1)
            continue
        for m in INLINE.finditer(line):
            yield number, m.group(1)


def broken_links(page, root):
    """Messages for the links of one page that do not resolve."""
    messages = []
    for number, target in links(read(page)):
        target = target.strip("<>")
        if SCHEME.match(target) or target.startswith("//"):
            continue  # a web address: not ours to check
        where, _, fragment = target.partition("#")
        resolved = os.path.normpath(os.path.join(os.path.dirname(page), where)) if where else page
        shown = f"{os.path.relpath(page, root)}:{number}: {target}"
        if not os.path.exists(resolved):
            messages.append(f"{shown}: no file {os.path.relpath(resolved, root)}")
        elif fragment and resolved.endswith(".md") and fragment not in anchors(resolved):
            messages.append(f"{shown}: no heading #{fragment} in {os.path.relpath(resolved, root)}")
    return messages


def main():
    root = os.path.abspath(
        sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    pages = [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
    messages = [m for page in pages for m in broken_links(page, root)]
    for m in messages:
        print(m)
    print(f"{len(pages)} pages, {len(messages)} broken links")
    return 1 if messages else 0


if __name__ == "__main__":
    sys.exit(main())
