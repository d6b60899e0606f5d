#!/usr/bin/env python3
"""Writes a program's manual page from its own --help and --version, so the
page never drifts from what the program prints.

    help_to_man.py PROGRAM OUTPUT SUMMARY [SEE-ALSO...]

OUTPUT ending in .gz is written gzip-compressed (best compression, no time
stamp, so a rebuild writes the same bytes). SUMMARY is the one line that
follows the name in the NAME section. Python standard library only.

The help is read as blocks separated by blank lines:
  - "Usage: NAME ARGS" and the lines after it: the synopsis and description;
  - a line ending in a colon over indented lines: a heading and its list;
  - indented "TERM  description" lines: a list of terms, a deeper indented
    line continuing the description above it;
  - indented lines without that column: an example, kept as it is;
  - anything else: a paragraph.
Headings and paragraphs named in SECTIONS open a section of their own.
"""

import gzip
import os
import re
import subprocess
import sys

SECTIONS = {"exit status": "EXIT STATUS", "example": "EXAMPLES", "examples": "EXAMPLES"}
ITEM = re.compile(r"^(\s+)(\S.*?)\s{2,}(\S.*)$")
WORD = re.compile(r"([\[(]*)(.*?)([\])]*,?(?:\.\.\.)?)")
METAVAR = re.compile(r"[A-Z][A-Z0-9_,.|]*")


def run(program, option):
    result = subprocess.run([program, option], capture_output=True, text=True, check=True)
    return result.stdout


def esc(text):
    """Plain text for roff: backslashes shown, hyphens as typed minus signs."""
    return text.replace("\\", "\\e").replace("-", "\\-")


def line(text):
    # A leading dot or quote would read as a request.
    return "\\&" + text if text[:1] in (".", "'") else text


def term(text):
    """Option names and words in bold, upper-case placeholders in italics."""
    words = []
    for word in text.split(" "):
        # Brackets, a trailing comma and "..." stay in the roman font.
        before, core, after = WORD.fullmatch(word).groups()
        font = "I" if METAVAR.fullmatch(core) else "B"
        words.append(f"{before}\\f{font}{esc(core)}\\fR{after}" if core else word)
    return " ".join(words)


def blocks(text):
    block = []
    for raw in text.splitlines():
        if raw.strip():
            block.append(raw.rstrip())
        elif block:
            yield block
            block = []
    if block:
        yield block


def indent(s):
    return len(s) - len(s.lstrip())


def list_lines(lines):
    """roff for indented lines: a list of terms, or a literal example."""
    if not ITEM.match(lines[0]):
        return [".PP", ".RS", ".nf"] + [line(esc(s[indent(lines[0]):])) for s in lines] + [".fi", ".RE"]
    out, column = [], None
    for s in lines:
        if column is not None and indent(s) >= column:
            out.append(line(esc(s.strip())))
            continue
        m = ITEM.match(s)
        if not m:
            # No description column: the line is kept as text of its own.
            out += [".br", line(esc(s.strip()))]
            continue
        out += [".TP", term(m.group(2)), line(esc(m.group(3)))]
        column = s.index(m.group(3))
    return out


def manual(help_text, version_text, summary, see_also):
    name = None
    out = []
    in_options = False
    for block in blocks(help_text):
        first = block[0]
        if first.startswith("Usage:"):
            words = first[len("Usage:"):].split()
            name = os.path.basename(words[0])
            out += [".SH NAME", f"{esc(name)} \\- {esc(summary)}", ".SH SYNOPSIS",
                    f".B {esc(name)}"] + ([term(" ".join(words[1:]))] if words[1:] else [])
            out += [".SH DESCRIPTION"] + [line(esc(s.strip())) for s in block[1:]]
            continue
        heading = first.endswith(":") and indent(first) == 0 and len(block) > 1
        key = (first[:-1] if heading else first.split(":", 1)[0]).strip().lower()
        if key in SECTIONS:
            out.append(f".SH {SECTIONS[key]}")
            in_options = False
        elif heading or indent(first) > 0:
            if not in_options:
                out.append(".SH OPTIONS")
                in_options = True
            if heading and key != "options":
                out.append(f".SS {esc(first[:-1])}")
        if heading:
            block = block[1:]
        if indent(block[0]) > 0:
            out += list_lines(block)
        else:
            if key in SECTIONS and not heading:
                # The paragraph's own lead-in ("Exit status:") is the section's name now.
                block = [first.split(":", 1)[1].strip()] + block[1:]
            out += [".PP"] + [line(esc(s.strip())) for s in block if s.strip()]
    if name is None:
        raise SystemExit("help_to_man: the help has no 'Usage:' line")
    if see_also:
        out += [".SH SEE ALSO", ",\n".join(f".BR {esc(page.rsplit('.', 1)[0])} ({page.rsplit('.', 1)[1]})"
                                          for page in see_also)]
    version = version_text.split()[-1] if version_text.split() else ""
    title = f'.TH {esc(name.upper())} 1 "" "Gloamery {esc(version)}" "User Commands"'
    return "\n".join([title] + out) + "\n"


def main(argv):
    if len(argv) < 4:
        raise SystemExit(__doc__.split("\n\n")[1])
    program, output, summary, see_also = argv[1], argv[2], argv[3], argv[4:]
    page = manual(run(program, "--help"), run(program, "--version"), summary, see_also).encode("utf-8")
    if output.endswith(".gz"):
        page = gzip.compress(page, compresslevel=9, mtime=0)
    with open(output, "wb") as f:
        f.write(page)


if __name__ == "__main__":
    main(sys.argv)
