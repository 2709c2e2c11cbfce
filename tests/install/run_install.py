#!/usr/bin/env python3
"""Checks of what the build installs: `prefix` makes a lean build of the source tree in BUILD,
without the tests and with GoogleTest and Google Benchmark out of reach, installs it into PREFIX
(both emptied first) and checks every file; `example` compiles a small level with the installed
tools, runs the example built against PREFIX through find_package and through pkg-config, and
checks that the map library's private headers are out of a program's reach; `game` runs the
installed game from another folder; `package` builds the Debian package of BUILD and checks its
dependencies and files.

    run_install.py --build BUILD --source SOURCE --prefix PREFIX [options] SCENARIO
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import Failure, check  # noqa: E402

APP_ID = "org.orvia.orvia"
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
PNG_RGBA = 6
LIBRARY_VERSION = "2.1.0"
DEPENDENCIES = ["liballegro4.4", "libloadpng4.4"]
DOC_DIR = "share/doc/orvia"
DOCS = ["LICENSE", "README.md", "copyright", "docs/maplib.md", "docs/replay.md",
        "docs/screenshot.png", "docs/level.png"]
COPYRIGHT_FORMAT = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
LEAN_BUILD = ["-DBUILD_TESTING=OFF", "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
              "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"]
BUILD_SECONDS = 600

# The small level the example runs on: 40 x 30 blocks, a marker block at column 5, row 4.
LEVEL = """tiles tiles.pcx
names tiles.txt
block . sky    flags=see_through
block # earth  bg=earth flags=solid
block M marker bg=stone_wall flags=solid,ice attr2=77
layer 0
{rows}end
"""
LEVEL_W, LEVEL_H, MARKER = 40, 30, (5, 4)
# Each run: frames scrolled, mouse position in the window, and the two lines it must print.
EXAMPLE_RUNS = {
    "find_package": (10, 50, 30, ["view (40, 40) after 10 frames",
                                  "map pixel (90, 70): block 2, flags 5, attr1 0, attr2 77"]),
    "pkg-config": (200, 319, 239, ["view (320, 240) after 200 frames",
                                   "map pixel (639, 479): block 1, flags 1, attr1 0, attr2 0"]),
}


def run(*command, cwd=None, env=None, timeout=300):
    result = subprocess.run([str(c) for c in command], cwd=cwd, env=env, capture_output=True,
                            text=True, timeout=timeout)
    check(result.returncode == 0, f"{' '.join(map(str, command))} failed with status "
                                  f"{result.returncode}:\n{result.stdout}{result.stderr}")
    return result.stdout


def check_tree(root, args):
    """Exactly the expected files, the data equal to the build's, the icons square RGBA PNGs
    of their size, the desktop entry and metainfo valid, the documentation sound."""
    lib, cmake, icon = args.libdir, f"{args.libdir}/cmake/maplib", f"apps/{APP_ID}.png"
    major = LIBRARY_VERSION.split(".")[0]
    wanted = {f"bin/{p}" for p in ["orvia"] + args.tools} | {
        "include/maplib.h", f"{lib}/libmaplib.a", f"{lib}/libmaplib.so",
        f"{lib}/libmaplib.so.{major}", f"{lib}/libmaplib.so.{LIBRARY_VERSION}",
        f"{lib}/pkgconfig/maplib.pc", f"{cmake}/maplibConfig.cmake",
        f"{cmake}/maplibConfigVersion.cmake", f"{cmake}/maplibTargets.cmake",
        f"{cmake}/maplibTargets-{args.build_type.lower()}.cmake", "share/orvia/gfx.dat",
        "share/orvia/jump.fmp", f"share/applications/{APP_ID}.desktop",
        f"share/metainfo/{APP_ID}.metainfo.xml"} | {
        f"share/icons/hicolor/{n}x{n}/{icon}" for n in ICON_SIZES} | {
        f"{DOC_DIR}/{name}" for name in DOCS}
    sounds = [f"sounds/{n}" for n in sorted(os.listdir(os.path.join(args.build, "game/sounds")))
              if n.endswith(".wav")]
    wanted |= {f"share/orvia/{s}" for s in sounds}
    found = {os.path.relpath(os.path.join(folder, n), root)
             for folder, _, names in os.walk(root) for n in names}
    check(found == wanted, f"{root}: missing {sorted(wanted - found)}, "
                           f"unexpected {sorted(found - wanted)}")
    for name in ["gfx.dat", "jump.fmp"] + sounds:
        with open(os.path.join(root, "share/orvia", name), "rb") as a, \
                open(os.path.join(args.build, "game", name), "rb") as b:
            check(a.read() == b.read(), f"the installed {name} differs from the build's")
    for n in ICON_SIZES:
        with open(os.path.join(root, f"share/icons/hicolor/{n}x{n}", icon), "rb") as f:
            head = f.read(26)
        check(head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (n, n)
              and head[25] == PNG_RGBA, f"the {n}x{n} icon's PNG header is {head}")
    run("desktop-file-validate", os.path.join(root, f"share/applications/{APP_ID}.desktop"))
    run("appstreamcli", "validate", "--no-net",
        os.path.join(root, f"share/metainfo/{APP_ID}.metainfo.xml"))
    check_docs(os.path.join(root, DOC_DIR), args)


def check_docs(doc, args):
    """Documentation readable by all and executable by none, every link of its Markdown files
    reaching a file beside them, and Debian's copyright file holding the licence's notice and
    terms."""
    for name in DOCS:
        mode = os.stat(os.path.join(doc, name)).st_mode & 0o777
        check(mode == 0o644, f"the installed {name} has mode {mode:o}")
    for name in (n for n in DOCS if n.endswith(".md")):
        with open(os.path.join(doc, name)) as f:
            links = re.findall(r"\]\(([^)#:]+)[)#]", f.read())
        dangling = [link for link in links
                    if not os.path.isfile(os.path.join(doc, os.path.dirname(name), link))]
        check(not dangling, f"the installed {name} links to missing {dangling}")
    with open(os.path.join(args.source, "LICENSE")) as f:
        notice, terms = f.read().split("\n\n", 1)
    with open(os.path.join(doc, "copyright")) as f:
        lines = f.read().splitlines()
    # The format's continuation lines are indented by one space, a lone dot an empty line.
    text = "\n".join("" if line == " ." else line[1:] for line in lines)
    check(lines[0] == COPYRIGHT_FORMAT and
          "Copyright: " + notice.removeprefix("Copyright (c) ") in lines and terms in text + "\n",
          "the copyright file does not carry LICENSE:\n" + "\n".join(lines))


def prefix(args, work):
    for folder in [args.build, args.prefix]:
        shutil.rmtree(folder, ignore_errors=True)
    run("cmake", "-S", args.source, "-B", args.build, f"-DCMAKE_BUILD_TYPE={args.build_type}",
        *LEAN_BUILD)
    check(not os.path.exists(os.path.join(args.build, "tests")),
          f"the lean build {args.build} configured the tests")
    run("cmake", "--build", args.build, "-j", os.cpu_count(), timeout=BUILD_SECONDS)
    run("cmake", "--install", args.build, "--prefix", args.prefix)
    check_tree(args.prefix, args)


def example(args, work):
    # The small level, compiled by the installed levelc in a folder of its own.
    for name in ["tiles.pcx", "tiles.txt"]:
        shutil.copy(os.path.join(args.source, "data/art", name), work)
    rows = ["." * LEVEL_W] * (LEVEL_H - 1) + ["#" * LEVEL_W]
    x, y = MARKER
    rows[y] = rows[y][:x] + "M" + rows[y][x + 1:]
    with open(os.path.join(work, "small.level"), "w") as f:
        f.write(LEVEL.format(rows="".join(row + "\n" for row in rows)))
    run(os.path.join(args.prefix, "bin/levelc"), "small.level", "small.fmp", cwd=work)
    sources = os.path.join(args.source, "examples/mapview")
    cmake_build, make_build = os.path.join(work, "cmake-build"), os.path.join(work, "make-build")
    run("cmake", "-S", sources, "-B", cmake_build, f"-DCMAKE_PREFIX_PATH={args.prefix}")
    run("cmake", "--build", cmake_build)
    os.mkdir(make_build)
    env = dict(os.environ, PKG_CONFIG_PATH=os.path.join(args.prefix, args.libdir, "pkgconfig"))
    run("make", "-f", os.path.join(sources, "Makefile"), cwd=make_build, env=env)
    for way, build in [("find_package", cmake_build), ("pkg-config", make_build)]:
        frames, x, y, lines = EXAMPLE_RUNS[way]
        out = run(os.path.join(build, "mapview"), "--headless", frames, x, y, "small.fmp",
                  cwd=work)
        check(out.splitlines() == lines, f"the example built through {way} printed:\n{out}")
    check_header_reach(args, work, env)


def check_header_reach(args, work, env):
    """A program compiled with the installed package's flags includes maplib.h, and none of the
    map library's other headers: each is not found."""
    flags = run("pkg-config", "--cflags", "maplib", env=env).split()
    headers = sorted(name for _, _, names in os.walk(os.path.join(args.source, "src/map"))
                     for name in names if name.endswith(".h"))
    probe = os.path.join(work, "probe.cpp")
    for header in headers:
        with open(probe, "w") as f:
            f.write(f'#include "{header}"\n')
        # The compiler's own words name the missing file, in the C locale's English.
        result = subprocess.run(["c++", "-fsyntax-only", *flags, probe], capture_output=True,
                                text=True, env=dict(env, LC_ALL="C"))
        public = header == "maplib.h"
        check(result.returncode == 0 if public else f"{header}: No such file" in result.stderr,
              f"a program including {header} with the flags {flags} "
              f"{'failed' if public else 'was not stopped for want of it'}:\n{result.stderr}")


def game(args, work):
    game_path = os.path.join(args.prefix, "bin", "orvia")
    usage = run(game_path, "--help", cwd=work, timeout=20)
    check("usage" in usage.lower() and "--window" in usage, f"--help printed:\n{usage}")
    # The end-to-end driver names the system's Python, which has the X library.
    run(args.e2e, "--game", game_path, "--data", os.path.join(args.build, "game"),
        "--helper", args.e2e_helper, "title_without_local_data", cwd=work)


def package(args, work):
    run("cpack", "-G", "DEB", "--config", os.path.join(args.build, "CPackConfig.cmake"),
        "-B", work)
    debs = [n for n in os.listdir(work) if n.endswith(".deb")]
    check(len(debs) == 1, f"cpack made {debs}")
    deb = os.path.join(work, debs[0])
    depends = [line for line in run("dpkg-deb", "--info", deb).splitlines()
               if line.strip().startswith("Depends:")]
    check(len(depends) == 1 and all(d in depends[0] for d in DEPENDENCIES),
          f"the package declares {depends}")
    run("dpkg-deb", "-x", deb, os.path.join(work, "root"))
    check_tree(os.path.join(work, "root/usr"), args)


SCENARIOS = {f.__name__: f for f in (prefix, example, game, package)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    # The folders (BUILD for the lean build), the prefix's library folder, CMAKE_BUILD_TYPE, the
    # tools installed in bin (separated by commas), and for `game` the end-to-end driver and its
    # helper program.
    for option in ["--build", "--source", "--prefix", "--libdir", "--build-type", "--tools"]:
        parser.add_argument(option, required=True)
    parser.add_argument("--e2e")
    parser.add_argument("--e2e-helper")
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    args.tools = args.tools.split(",")
    args.build, args.source, args.prefix = map(os.path.abspath,
                                               (args.build, args.source, args.prefix))
    with tempfile.TemporaryDirectory(prefix="orvia-install-") as work:
        try:
            SCENARIOS[args.scenario](args, work)
        except (Failure, subprocess.TimeoutExpired) as failure:
            print(f"FAILED {args.scenario}: {failure}")
            return 1
    print(f"passed {args.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
