#!/usr/bin/env python3
"""End-to-end checks of the real game under a virtual X display.

Each scenario starts its own Xvfb, runs the game in a temporary folder, presses keys with
xdotool, reads the screen back with ImageMagick's import and compares it with what the
graphics datafile draws. Run one scenario:

    run_e2e.py --game orvia --data build/game --helper e2e_helper SCENARIO

or measure the processor time the game takes over ten seconds of play:

    run_e2e.py --game orvia --data build/game --helper e2e_helper --measure-cpu 10
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SCREEN_W, SCREEN_H = 320, 240
COLOUR_TOLERANCE = 12          # per channel, between a palette colour and what X shows
TEXT_COLOUR, DEATH_COLOUR = 15, 40
KEY_HOLD = 0.3                 # seconds a key is held: longer than the game's 50 ms polls
TITLE_LINES = [(30, "--Orvia demo 2.1--"), (50, "Use arrows to move left and right."),
               (70, "Run with ALT, and jump with CTRL."), (90, "Press SPACE to start.")]
STANDING_PICTURE = 13          # datafile object of the standing girl
PLAY_TEXTS = [(0, "Orvia demo 2.1"), (20, "Press ESC to quit")]
DEATH_TEXTS = [(90, "Sorry, YOU DIED!"), (110, "Try again? (y/n)")]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(predicate, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# Pictures: 8-bit BMP files (the game's screenshots, the helper's expected screens) and PPM
# captures of the X screen.
# ---------------------------------------------------------------------------------------------

class Bmp8:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        check(data[:2] == b"BM", f"{path} is not a BMP file")
        offset, = struct.unpack_from("<I", data, 10)
        self.width, self.height, _, self.bpp, self.compression = \
            struct.unpack_from("<iiHHI", data, 18)
        header_size, = struct.unpack_from("<I", data, 14)
        table = 14 + header_size
        self.palette = [(data[table + 4 * i + 2], data[table + 4 * i + 1], data[table + 4 * i])
                        for i in range(256)] if self.bpp == 8 else []
        self.pixels = None
        if self.bpp == 8 and self.compression == 0:
            row = (self.width + 3) & ~3
            rows = [data[offset + r * row: offset + r * row + self.width]
                    for r in range(abs(self.height))]
            self.pixels = rows[::-1] if self.height > 0 else rows

    def index(self, x, y):
        return self.pixels[y][x]


class Capture:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        check(fields[0] == b"P6" and fields[3] == b"255", "unexpected capture format")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = data[pos + 1:]

    def rgb(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])


def six_to_eight(c):
    return (c * 255 + 31) // 63


def close(a, b):
    return all(abs(p - q) <= COLOUR_TOLERANCE for p, q in zip(a, b))


# ---------------------------------------------------------------------------------------------
# The virtual display, the game and the keyboard
# ---------------------------------------------------------------------------------------------

class Display:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24",
             "-nolisten", "tcp"], pass_fds=[write_end], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            self.close()
            raise Failure("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)

    def close(self):
        self.server.terminate()
        self.server.wait(10)

    def run(self, *args, **kw):
        return subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                              timeout=20, **kw)

    def capture(self, folder):
        path = os.path.join(folder, "capture.ppm")
        result = self.run("import", "-window", "root", "-depth", "8", "ppm:" + path)
        check(result.returncode == 0, "cannot read the screen: " + result.stderr)
        return Capture(path)

    def windows(self):
        """Absolute geometry of every window: (width, height, x, y, text of the line)."""
        out = self.run("xwininfo", "-root", "-tree").stdout
        found = []
        for line in out.splitlines():
            words = line.split()
            for i, word in enumerate(words[:-1]):
                if word[0].isdigit() and "x" in word and "+" in word:
                    w, h = (int(v) for v in word.split("+")[0].split("x"))
                    x, y = parse_position(words[i + 1])
                    found.append((w, h, x, y, line))
                    break
        return found

    def game_origin(self):
        for w, h, x, y, line in self.windows():
            if (w, h) == (SCREEN_W, SCREEN_H):
                return x, y
        return None

    def message_box(self):
        return any("xmessage" in line.lower() for *_, line in self.windows())

    def hold(self, key, seconds=KEY_HOLD):
        self.run("xdotool", "keydown", key)
        time.sleep(seconds)
        self.run("xdotool", "keyup", key)
        time.sleep(0.1)

    def point_at(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y))


def parse_position(text):
    """'+160+120' or '+-60+-45' as (160, 120) or (-60, -45)."""
    parts = text.split("+")[1:]
    return int(parts[0]), int(parts[1])


class Game:
    def __init__(self, display, folder, game, env=None):
        self.folder = folder
        self.errors_path = os.path.join(folder, "stderr.txt")
        with open(self.errors_path, "w") as errors:
            self.process = subprocess.Popen(
                [game], cwd=folder, env=env if env is not None else display.env,
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=errors)

    def errors(self):
        with open(self.errors_path) as f:
            return f.read()

    def wait(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)


# ---------------------------------------------------------------------------------------------
# What the screen should show
# ---------------------------------------------------------------------------------------------

class Expectations:
    def __init__(self, helper, gfx, folder):
        self.helper, self.gfx, self.folder = helper, gfx, folder
        out = subprocess.run([helper, "palette", gfx], capture_output=True, text=True,
                             check=True).stdout.split()
        values = [six_to_eight(int(v)) for v in out]
        self.palette = [tuple(values[3 * i:3 * i + 3]) for i in range(256)]

    def render(self, name, *items):
        path = os.path.join(self.folder, name + ".bmp")
        subprocess.run([self.helper, "render", self.gfx, path, *items], check=True)
        return Bmp8(path)

    def title(self):
        items = [f"text:10:{y}:{TEXT_COLOUR}:{t}" for y, t in TITLE_LINES]
        return self.render("title", *items, f"picture:{STANDING_PICTURE}:120:16")

    def lines(self, name, lines, colour, centre=False):
        kind, x = ("centre", 160) if centre else ("text", 0)
        return self.render(name, *[f"{kind}:{x}:{y}:{colour}:{t}" for y, t in lines])


def whole_match(capture, origin, expected, palette):
    """Share of the game area's pixels that show the expected picture's colours."""
    ox, oy = origin
    good = sum(close(capture.rgb(ox + x, oy + y), palette[expected.index(x, y)])
               for y in range(SCREEN_H) for x in range(SCREEN_W))
    return good / (SCREEN_W * SCREEN_H)


def drawn_match(capture, origin, expected, palette):
    """Share of the expected picture's drawn (non-zero) pixels that the screen shows."""
    ox, oy = origin
    drawn = [(x, y) for y in range(SCREEN_H) for x in range(SCREEN_W)
             if expected.index(x, y) != 0]
    check(drawn, "the expected picture is empty")
    good = sum(close(capture.rgb(ox + x, oy + y), palette[expected.index(x, y)])
               for x, y in drawn)
    return good / len(drawn)


def band_shift(before, after, origin):
    """The horizontal shift that best maps the lower band of `before` onto `after`, and the
    share of mismatching pixels without a shift and at that shift."""
    ox, oy = origin
    rows = range(150, SCREEN_H, 3)
    def mismatch(dx):
        columns = range(0, SCREEN_W - dx, 2)
        bad = sum(not close(before.rgb(ox + x + dx, oy + y), after.rgb(ox + x, oy + y))
                  for y in rows for x in columns)
        return bad / (len(rows) * len(columns))
    scores = {dx: mismatch(dx) for dx in range(0, 160)}
    best = min(scores, key=scores.get)
    return best, scores[0], scores[best]


# ---------------------------------------------------------------------------------------------
# Scenarios
# ---------------------------------------------------------------------------------------------

class Scenario:
    def __init__(self, args, workdir):
        self.args = args
        self.work = workdir
        self.play_dir = os.path.join(workdir, "play")
        os.mkdir(self.play_dir)
        self.gfx = os.path.join(args.data, "gfx.dat")
        self.expect = Expectations(args.helper, self.gfx, workdir)
        self.display = None
        self.game = None

    def place(self, gfx=True, level=True, pit=False):
        if gfx:
            shutil.copy(self.gfx, os.path.join(self.play_dir, "gfx.dat"))
        target = os.path.join(self.play_dir, "jump.fmp")
        if pit:
            subprocess.run([self.args.helper, "pit-map", target], check=True)
        elif level:
            shutil.copy(os.path.join(self.args.data, "jump.fmp"), target)

    def start(self):
        self.display = Display()
        self.game = Game(self.display, self.play_dir, self.args.game)

    def close(self):
        if self.game:
            self.game.stop()
        if self.display:
            self.display.close()

    def screen(self):
        return self.display.capture(self.work)

    def origin(self):
        origin = wait_until(self.display.game_origin, 10)
        check(origin, "the game shows no 320 x 240 screen")
        return origin

    def shows(self, expected, timeout=10, whole=False, threshold=0.97):
        """Waits until the screen shows the expected picture; returns the capture. The game's
        window is looked up each time: it may still be moving into place."""
        match = whole_match if whole else drawn_match
        last = [0.0]
        def showing():
            origin = self.origin()
            capture = self.screen()
            last[0] = match(capture, origin, expected, self.expect.palette)
            return capture if last[0] >= threshold else None
        capture = wait_until(showing, timeout, interval=0.2)
        return capture, last[0]

    def press_on_game(self, key, seconds=KEY_HOLD):
        x, y = self.origin()
        self.display.point_at(x + SCREEN_W // 2, y + SCREEN_H // 2)
        self.display.hold(key, seconds)

    def start_play(self):
        title, score = self.shows(self.expect.title(), whole=True, threshold=0.99)
        check(title, f"the title screen does not show (best match {score:.3f})")
        self.press_on_game("space")
        playing, score = self.shows(self.expect.lines("play", PLAY_TEXTS, TEXT_COLOUR))
        check(playing, f"SPACE did not start play (text match {score:.3f})")
        return playing

    def ends_with(self, expect_zero, timeout=10):
        status = self.game.wait(timeout)
        check(status is not None, "the game did not end")
        if expect_zero:
            check(status == 0, f"the game ended with status {status}: {self.game.errors()}")
        else:
            check(status != 0, "the game ended with status 0")
        return status

    def fatal(self, names):
        """The game stops with a message naming `names`, its message box (if it can show one)
        is dismissed, and the status is not 0."""
        told = wait_until(lambda: all(n in self.game.errors() for n in names), 15)
        check(told, f"no message naming {names}: {self.game.errors()!r}")
        if shutil.which("xmessage", path=self.display.env.get("PATH")):
            box = wait_until(self.display.message_box, 10)
            check(box, "no message box")
            self.display.point_at(320, 240)
            self.display.hold("Return")
        self.ends_with(expect_zero=False)


def title_screen(s):
    s.place()
    s.start()
    capture, score = s.shows(s.expect.title(), whole=True, threshold=0.99)
    check(capture, f"the title's four lines and standing girl do not show ({score:.3f})")
    without_girl = s.expect.render("lines", *[f"text:10:{y}:{TEXT_COLOUR}:{t}"
                                              for y, t in TITLE_LINES])
    check(drawn_match(capture, s.origin(), without_girl, s.expect.palette) > 0.97,
          "the title lines are not in the font's colour 15")


def title_without_local_data(s):
    """An installed game started in an empty folder finds its data beside its program."""
    s.start()
    capture, score = s.shows(s.expect.title(), whole=True, threshold=0.99)
    check(capture, f"the title does not show from an empty folder ({score:.3f})")


def play(s):
    s.place()
    s.start()
    before = s.start_play()
    s.press_on_game("Right", 1.5)
    after = s.screen()
    shift, unshifted, shifted = band_shift(before, after, s.origin())
    check(shift >= 10 and unshifted > 0.05 and shifted < unshifted / 3,
          f"holding right did not scroll the view (shift {shift}, mismatch "
          f"{unshifted:.3f} -> {shifted:.3f})")

    s.press_on_game("s")
    shot_path = os.path.join(s.play_dir, "s0000.bmp")
    check(wait_until(lambda: os.path.exists(shot_path), 5), "S wrote no s0000.bmp")
    time.sleep(0.5)
    shot = Bmp8(shot_path)
    check((shot.width, shot.height, shot.bpp, shot.compression) == (320, 240, 8, 0),
          f"the screenshot is {shot.width} x {shot.height} x {shot.bpp} bits")
    check(all(close(a, b) for a, b in zip(shot.palette, s.expect.palette)),
          "the screenshot's palette is not the datafile's")
    check(whole_match(s.screen(), s.origin(), shot, shot.palette) > 0.97,
          "the screenshot is not what the screen shows")

    s.press_on_game("Escape")
    s.ends_with(expect_zero=True)


def death_and_retry(s):
    s.place(pit=True)
    s.start()
    s.start_play()
    question = s.expect.lines("death", DEATH_TEXTS, DEATH_COLOUR, centre=True)
    asked, score = s.shows(question, timeout=15)
    check(asked, f"falling into the pit shows no death question ({score:.3f})")

    s.press_on_game("shift+y")
    time.sleep(1.0)
    check(s.game.process.poll() is None, "'Y' ended the game")
    still, _ = s.shows(question, timeout=1)
    check(still, "'Y' answered the question")

    s.press_on_game("y")
    gone = wait_until(lambda: drawn_match(s.screen(), s.origin(), question,
                                          s.expect.palette) < 0.5, 5)
    check(gone, "'y' did not start a new attempt")
    asked_again, score = s.shows(question, timeout=15)
    check(asked_again, f"the new attempt did not end in the pit ({score:.3f})")

    s.press_on_game("n")
    s.ends_with(expect_zero=True)


def missing_gfx(s):
    s.place(gfx=False)
    s.start()
    s.fatal(['"gfx.dat"'])


def wrong_gfx(s):
    s.place(gfx=False)
    shutil.copy(os.path.join(s.args.data, "jump.fmp"), os.path.join(s.play_dir, "gfx.dat"))
    s.start()
    s.fatal(['"gfx.dat"'])


def missing_map(s):
    s.place(level=False)
    s.start()
    title, score = s.shows(s.expect.title(), whole=True, threshold=0.99)
    check(title, f"the title screen does not show ({score:.3f})")
    s.press_on_game("space")
    s.fatal(['"jump.fmp"', "cannot be opened"])


def no_display(s):
    s.place()
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    s.game = Game(None, s.play_dir, s.args.game, env=env)
    status = s.game.wait(15)
    check(status is not None and status != 0, f"status {status} without a display")
    check("display" in s.game.errors(), f"no clear message: {s.game.errors()!r}")


SCENARIOS = {f.__name__: f for f in (title_screen, title_without_local_data, play,
                                      death_and_retry, missing_gfx, wrong_gfx, missing_map,
                                      no_display)}


# ---------------------------------------------------------------------------------------------
# Processor time
# ---------------------------------------------------------------------------------------------

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rpartition(")")[2].split()
    ticks = int(fields[11]) + int(fields[12])   # utime and stime
    return ticks / os.sysconf("SC_CLK_TCK")


def measure_cpu(s, seconds):
    s.place()
    s.start()
    s.start_play()
    pid = s.game.process.pid
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    used, elapsed = cpu_seconds(pid) - start_cpu, time.monotonic() - start
    print(f"processor time over {elapsed:.1f} s of play: {used:.2f} s, "
          f"{100 * used / elapsed:.1f}% of one core")
    s.press_on_game("Escape")
    s.ends_with(expect_zero=True)


def keep_last_capture(work, name):
    """Keeps the last screen read back, in the folder the test runs in, for a look."""
    last = os.path.join(work, "capture.ppm")
    if os.path.exists(last):
        shutil.copy(last, name)
        print(f"last screen: {os.path.abspath(name)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True, help="folder with gfx.dat and jump.fmp")
    parser.add_argument("--helper", required=True)
    parser.add_argument("--measure-cpu", type=float, metavar="SECONDS")
    parser.add_argument("scenario", nargs="?", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    if not args.scenario and not args.measure_cpu:
        parser.error("name a scenario or --measure-cpu")

    with tempfile.TemporaryDirectory(prefix="orvia-e2e-") as work:
        s = Scenario(args, work)
        try:
            if args.measure_cpu:
                measure_cpu(s, args.measure_cpu)
            else:
                SCENARIOS[args.scenario](s)
        except Failure as failure:
            name = args.scenario or "measure-cpu"
            print(f"FAILED {name}: {failure}")
            keep_last_capture(work, f"e2e-{name}-failure.ppm")
            return 1
        finally:
            s.close()
    print(f"passed {args.scenario or 'measure-cpu'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
