#!/usr/bin/env python3
"""Checks that the library's reference documents every function, global and type its public
header declares.

    check_reference.py HEADER REFERENCE

A function counts as documented when a heading of the reference shows it called, `Name(`; a
global or a type when a heading or the first cell of a table row names it in code, `name`.
"""

import re
import sys

IDENTIFIER = r"[A-Za-z_]\w*"


def declarations(header_text):
    """The names of the functions, globals and types declared at the header's top level."""
    text = re.sub(r"//[^\n]*|/\*.*?\*/", "", header_text, flags=re.S)
    text = re.sub(r"^\s*#[^\n]*", "", text, flags=re.M)
    functions, variables, types = [], [], []
    depth, statement = 0, ""
    for char in text:
        if char == "{":
            if depth == 0:
                named = re.search(rf"\b(?:struct|union|enum)\s+({IDENTIFIER})\s*(?::[^{{]*)?$",
                                  statement.strip())
                if named:
                    types.append(named.group(1))
            depth += 1
        elif char == "}":
            depth -= 1
        elif depth == 0 and char == ";":
            classify(statement.strip(), functions, variables)
            statement = ""
            continue
        if depth == 0 and char not in "{}":
            statement += char
        elif depth == 0 and char == "}":
            statement = ""
    return functions, variables, types


def classify(statement, functions, variables):
    if not statement:
        return
    if "(" in statement and not statement.startswith("extern"):
        name = re.search(rf"({IDENTIFIER})\s*\(", statement)
        functions.append(name.group(1))
    elif statement.startswith(("extern", "constexpr")):
        # `extern int a, b;` and arrays: every declarator's name
        body = re.sub(r"\[[^\]]*\]|=[^,]*", "", statement.split(None, 1)[1])
        for declarator in body.split(","):
            variables.append(re.findall(IDENTIFIER, declarator)[-1])


def documented(reference_text):
    headings = [line for line in reference_text.splitlines() if line.startswith("#")]
    first_cells = [line.split("|")[1] for line in reference_text.splitlines()
                   if line.startswith("|") and line.count("|") > 2]
    code = " ".join(span for line in headings + first_cells
                    for span in re.findall(r"`([^`]*)`", line))
    called = set(re.findall(rf"({IDENTIFIER})\s*\(", " ".join(
        span for line in headings for span in re.findall(r"`([^`]*)`", line))))
    named = set(re.findall(IDENTIFIER, code))
    return called, named


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        functions, variables, types = declarations(f.read())
    with open(sys.argv[2]) as f:
        called, named = documented(f.read())
    missing = [f"function {n}" for n in functions if n not in called]
    missing += [f"global or constant {n}" for n in variables if n not in named]
    missing += [f"type {n}" for n in types if n not in named]
    if missing:
        print(f"{sys.argv[2]} does not document what {sys.argv[1]} declares:")
        print("\n".join("  " + m for m in missing))
        return 1
    print(f"{len(functions)} functions, {len(variables)} globals and constants, "
          f"{len(types)} types documented")
    return 0


if __name__ == "__main__":
    sys.exit(main())
