#!/usr/bin/env python3
"""Checks that the library's reference documents every function, global and type its public
header declares at the top level (unindented lines): a function in a heading that shows it
called, `Name(`; a global or a type in code in a heading or the first cell of a table row.

    check_reference.py HEADER REFERENCE
"""

import re
import sys


def declared(header):
    functions, names = [], []
    for line in header.splitlines():
        if re.match(r"(extern|constexpr) ", line):
            declarators = re.sub(r"\[[^\]]*\]|=[^,;]*|;.*", "", line.split(None, 2)[2])
            names += [re.findall(r"\w+", d)[-1] for d in declarators.split(",")]
        elif re.match(r"(struct|union|enum) \w+", line):
            names.append(line.split()[1])
        elif re.match(r"[A-Za-z_][^(;]*\b\w+\(", line) and not line.startswith("typedef"):
            functions.append(re.match(r"[^(]*?(\w+)\(", line).group(1))
    return functions, names


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    header, reference = (open(path).read() for path in sys.argv[1:])
    lines = reference.splitlines()
    code = lambda texts: " ".join(s for t in texts for s in re.findall(r"`([^`]*)`", t))
    headings = code(l for l in lines if l.startswith("#"))
    first_cells = code(l.split("|")[1] for l in lines if l.startswith("|") and l.count("|") > 2)
    functions, names = declared(header)
    missing = [f + "()" for f in functions if f not in re.findall(r"(\w+)\s*\(", headings)] + \
              [n for n in names if n not in re.findall(r"\w+", headings + " " + first_cells)]
    if missing:
        print(f"{sys.argv[2]} does not document these of {sys.argv[1]}: {', '.join(missing)}")
        return 1
    print(f"{len(functions)} functions and {len(names)} globals, constants and types documented")
    return 0


if __name__ == "__main__":
    sys.exit(main())
