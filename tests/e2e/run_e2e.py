#!/usr/bin/python3
"""End-to-end checks of the real game under a virtual X display.

Each scenario starts its own Xvfb of 1920 x 1080, runs the game in a temporary folder, presses
keys with xdotool, talks to the windows and reads the screen back through the X library
(python3-xlib), and compares what shows with what the graphics datafile draws. Run one
scenario:

    run_e2e.py --game orvia --data build/game --helper e2e_helper SCENARIO

or measure the processor share and the main thread's wake-ups over ten seconds of walking with
sound playing:

    run_e2e.py --game orvia --data build/game --helper e2e_helper --measure 10
"""

import argparse
import array
import collections
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from Xlib import X, display as xdisplay, error as xerror, protocol

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import Failure, check  # noqa: E402

DESKTOP_W, DESKTOP_H = 1920, 1080
GAME_W, GAME_H = 320, 240
WINDOW_TITLE = "Orvia demo 2.1"
COLOUR_TOLERANCE = 12          # per channel, between a palette colour and what X shows
TEXT_COLOUR, DEATH_COLOUR = 15, 40
KEY_HOLD = 0.3                 # seconds a key is held: longer than the game's 50 ms polls
TITLE_LINES = [(30, "--Orvia demo 2.1--"), (50, "Use arrows to move left and right."),
               (70, "Run with ALT, and jump with CTRL."), (90, "Press SPACE to start."),
               (110, "Press K to choose the keys.")]
STANDING_PICTURE = 13          # datafile object of the standing girl
PLAY_TEXTS = [(0, "Orvia demo 2.1"), (20, "Press ESC to quit")]
DEATH_TEXTS = [(90, "Sorry, YOU DIED!"), (110, "Try again? (y/n)")]
PAUSED_TEXT = [(110, "Paused")]
USAGE_ERROR = 2

# What the game library leaks under the sanitizers when it opens sound is not ours to free; its
# allocations are told apart by a full unwind, which the fast one cuts short.
SANITIZED_GAME = {
    "LSAN_OPTIONS": f"{os.environ.get('LSAN_OPTIONS', '')}:print_suppressions=0:suppressions="
                    f"{os.path.join(os.path.dirname(os.path.abspath(__file__)), 'sound_leaks.supp')}",
    "ASAN_OPTIONS": f"{os.environ.get('ASAN_OPTIONS', '')}:fast_unwind_on_malloc=0"}

# The pit map's ruler (see e2e_helper): bands of two block rows, one palette colour each.
RULER_FIRST, RULER_COLOURS, RULER_BAND = 96, 64, 32
RULER_COLUMN = 300             # a screen column on the shaft's right wall while she falls
FALL_LIMIT = 6                 # pixels a tick


def wait_until(predicate, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(interval)


def close(a, b):
    return all(abs(p - q) <= COLOUR_TOLERANCE for p, q in zip(a, b))


def six_to_eight(c):
    return (c * 255 + 31) // 63


# ---------------------------------------------------------------------------------------------
# Pictures: 8-bit BMP files (the game's screenshots, the helper's expected screens) and the
# game's picture read back from the screen, one colour per game pixel.
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

    def rgb(self, x, y):
        return self.palette[self.pixels[y][x]]


class Shown:
    """The game's picture as the screen shows it: the colour of every game pixel, and whether
    every game pixel is a scale x scale square of one colour."""

    def __init__(self, data, stride, scale):
        self.squares_exact = True
        self.colours = []
        for gy in range(GAME_H):
            rows = [data[(gy * scale + i) * stride:(gy * scale + i) * stride + 4 * GAME_W * scale]
                    for i in range(scale)]
            first = rows[0]
            if any(r != first for r in rows[1:]) or any(
                    first[4 * j + b::4 * scale] != first[b::4 * scale]
                    for j in range(1, scale) for b in range(3)):
                self.squares_exact = False
            self.colours.append([(first[s + 2], first[s + 1], first[s])
                                 for s in range(0, 4 * GAME_W * scale, 4 * scale)])

    def rgb(self, x, y):
        return self.colours[y][x]


def whole_match(shown, expected, palette):
    """Share of game pixels that show the expected picture's colours."""
    good = sum(close(shown.rgb(x, y), palette[expected.index(x, y)])
               for y in range(GAME_H) for x in range(GAME_W))
    return good / (GAME_W * GAME_H)


def drawn_match(shown, expected, palette):
    """Share of the expected picture's drawn (non-zero) pixels that the screen shows."""
    drawn = [(x, y) for y in range(GAME_H) for x in range(GAME_W) if expected.index(x, y) != 0]
    check(drawn, "the expected picture is empty")
    good = sum(close(shown.rgb(x, y), palette[expected.index(x, y)]) for x, y in drawn)
    return good / len(drawn)


def band_shift(before, after):
    """The horizontal shift that best maps the lower band of `before` onto `after`, and the
    share of mismatching pixels without a shift and at that shift."""
    rows = range(150, GAME_H, 3)
    def mismatch(dx):
        columns = range(0, GAME_W - dx, 2)
        bad = sum(not close(before.rgb(x + dx, y), after.rgb(x, y)) for y in rows for x in columns)
        return bad / (len(rows) * len(columns))
    scores = {dx: mismatch(dx) for dx in range(0, 160)}
    best = min(scores, key=scores.get)
    return best, scores[0], scores[best]


def view_top(picture, palette):
    """The map row at the top of the view of the pit's shaft, read from the ruler on its wall:
    where one band of colour gives way to the next, the map row is a whole number of bands."""
    def band(y):
        rgb = picture.rgb(RULER_COLUMN, y)
        best = min(range(RULER_FIRST, RULER_FIRST + RULER_COLOURS),
                   key=lambda i: sum(abs(p - q) for p, q in zip(palette[i], rgb)))
        return best - RULER_FIRST if close(palette[best], rgb) else None
    bands = [band(y) for y in range(GAME_H)]
    for y in range(1, GAME_H):
        if None not in bands[y - 1:y + 1] and bands[y] != bands[y - 1]:
            return RULER_BAND * bands[y] - y
    return None


# ---------------------------------------------------------------------------------------------
# The virtual display: its windows, the screen, the keyboard focus and close requests
# ---------------------------------------------------------------------------------------------

class Display:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{DESKTOP_W}x{DESKTOP_H}x24", "-nolisten", "tcp"], pass_fds=[write_end],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            self.server.kill()
            raise Failure("Xvfb did not start")
        self.name = ":" + number
        self.env = dict(os.environ, DISPLAY=self.name)
        self.x = xdisplay.Display(self.name)
        self.root = self.x.screen().root
        self.decoy = None

    def close(self):
        self.x.close()
        self.server.terminate()
        self.server.wait(10)

    def run(self, *args):
        return subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                              timeout=20)

    def viewable(self):
        """(window, geometry, override_redirect, name, class) of every mapped top-level
        window."""
        found = []
        for w in self.root.query_tree().children:
            try:
                attributes = w.get_attributes()
                if attributes.map_state == X.IsViewable:
                    found.append((w, w.get_geometry(), attributes.override_redirect,
                                  w.get_wm_name(), (w.get_wm_class() or ("",))[0]))
            except xerror.XError:
                pass   # gone meanwhile
        return found

    def game_window(self):
        return next((w for w, _, _, name, _ in self.viewable() if name == WINDOW_TITLE), None)

    def picture_place(self):
        """(x, y, scale) of the game's picture, and whether it is full screen, or None."""
        windows = self.viewable()
        for _, g, override, _, _ in windows:
            if override and (g.width, g.height) == (DESKTOP_W, DESKTOP_H):
                return layout(g.x, g.y, g.width, g.height) + (True,)
        for _, g, _, name, _ in windows:
            if name == WINDOW_TITLE:
                return layout(g.x, g.y, g.width, g.height) + (False,)
        return None

    def capture(self, x, y, w, h):
        image = self.root.get_image(x, y, w, h, X.ZPixmap, 0xffffffff)
        return image.data, 4 * w

    def take_focus_away(self):
        """Another window takes the keyboard focus, as when the person clicks elsewhere."""
        self.decoy = self.root.create_window(0, 0, 50, 50, 0, self.x.screen().root_depth)
        self.decoy.map()
        self.x.sync()
        self.decoy.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        self.x.sync()

    def give_focus_back(self):
        self.x.set_input_focus(X.PointerRoot, X.RevertToPointerRoot, X.CurrentTime)
        self.decoy.destroy()
        self.x.sync()

    def request_close(self):
        """What a window manager's close button sends: WM_DELETE_WINDOW."""
        w = self.game_window()
        check(w is not None, "no game window to close")
        protocols = self.x.intern_atom("WM_PROTOCOLS")
        delete = self.x.intern_atom("WM_DELETE_WINDOW")
        w.send_event(protocol.event.ClientMessage(window=w, client_type=protocols,
                                                  data=(32, [delete, X.CurrentTime, 0, 0, 0])))
        self.x.sync()

    def hold(self, key, seconds=KEY_HOLD):
        self.run("xdotool", "keydown", key)
        time.sleep(seconds)
        self.run("xdotool", "keyup", key)
        time.sleep(0.1)

    def point_at(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y))


def layout(x, y, w, h):
    """The picture's place on a screen or window: the largest whole factor, centred."""
    scale = max(1, min(w // GAME_W, h // GAME_H))
    return x + (w - GAME_W * scale) // 2, y + (h - GAME_H * scale) // 2, scale


def read_text(path):
    with open(path) as f:
        return f.read()


class Game:
    def __init__(self, display, folder, command, env=None):
        self.errors_path = os.path.join(folder, "stderr.txt")
        self.output_path = os.path.join(folder, "stdout.txt")
        with open(self.errors_path, "w") as errors, open(self.output_path, "w") as output:
            self.process = subprocess.Popen(
                command, cwd=folder, env=env if env is not None else display.env,
                stdin=subprocess.DEVNULL, stdout=output, stderr=errors)

    def errors(self):
        return read_text(self.errors_path)

    def output(self):
        return read_text(self.output_path)

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


# ---------------------------------------------------------------------------------------------
# Scenarios
# ---------------------------------------------------------------------------------------------

class Scenario:
    def __init__(self, args, workdir):
        self.args = args
        self.play_dir = os.path.join(workdir, "play")
        os.mkdir(self.play_dir)
        self.gfx = os.path.join(args.data, "gfx.dat")
        self.expect = Expectations(args.helper, self.gfx, workdir)
        self.display = None
        self.game = None

    def place(self, gfx=True, level=True, pit=False):
        if gfx:
            shutil.copy(self.gfx, os.path.join(self.play_dir, "gfx.dat"))
            sounds = os.path.join(self.play_dir, "sounds")
            if not os.path.exists(sounds):
                shutil.copytree(os.path.join(self.args.data, "sounds"), sounds)
        target = os.path.join(self.play_dir, "jump.fmp")
        if pit:
            self.make_map("pit-map", target)
        elif level:
            shutil.copy(os.path.join(self.args.data, "jump.fmp"), target)

    def make_map(self, kind, path):
        subprocess.run([self.args.helper, kind, path], check=True)

    def start(self, *options, env=None):
        """Starts the game in the play folder, with the display's environment and `env`."""
        if self.display is None:
            self.display = Display()
        self.game = Game(self.display, self.play_dir, [self.args.game, *options],
                         env=dict(self.display.env, **SANITIZED_GAME, **(env or {})))

    def close(self):
        if self.game:
            self.game.stop()
        if self.display:
            self.display.close()

    def place_of_picture(self):
        place = wait_until(self.display.picture_place, 10)
        check(place, "the game shows no picture")
        return place

    def shown(self):
        x, y, scale, _ = self.place_of_picture()
        data, stride = self.display.capture(x, y, GAME_W * scale, GAME_H * scale)
        return Shown(data, stride, scale)

    def shows(self, expected, timeout=10, whole=False, threshold=0.97):
        """Waits until the screen shows the expected picture; returns what it shows then."""
        match = whole_match if whole else drawn_match
        last = [0.0]
        def showing():
            shown = self.shown()
            last[0] = match(shown, expected, self.expect.palette)
            return shown if last[0] >= threshold else None
        return wait_until(showing, timeout, interval=0.2), last[0]

    def expect_picture(self, expected, scale, full_screen, what):
        """The picture shows `expected` exactly: every game pixel a scale x scale square of one
        colour, in place, filling the window when not full screen."""
        shown, score = self.shows(expected, whole=True, threshold=0.99)
        check(shown, f"{what}: the picture does not show ({score:.3f})")
        _, _, shown_scale, shown_full = self.place_of_picture()
        check((shown_scale, shown_full) == (scale, full_screen),
              f"{what}: scale {shown_scale}, full screen {shown_full}")
        check(shown.squares_exact, f"{what}: a game pixel is not a {scale} x {scale} square of "
                                   "one colour")
        if not full_screen:
            g = self.display.game_window().get_geometry()
            check((g.width, g.height) == (GAME_W * scale, GAME_H * scale),
                  f"{what}: the window is {g.width} x {g.height}")
        return shown

    def point_at_game(self):
        x, y, scale, _ = self.place_of_picture()
        self.display.point_at(x + GAME_W * scale // 2, y + GAME_H * scale // 2)

    def press_on_game(self, key, seconds=KEY_HOLD):
        self.point_at_game()
        self.display.hold(key, seconds)

    def keys_down(self, *keys):
        self.point_at_game()
        for key in keys:
            self.display.run("xdotool", "keydown", key)

    def keys_up(self, *keys):
        for key in keys:
            self.display.run("xdotool", "keyup", key)

    def switch_mode(self, full_screen):
        self.press_on_game("alt+Return")
        switched = wait_until(lambda: (self.display.picture_place() or (0, 0, 0, None))[3]
                              == full_screen, 10)
        check(switched, f"Alt+Enter did not switch to {'full screen' if full_screen else 'a window'}")

    def start_play(self):
        self.shows(self.expect.title(), whole=True, threshold=0.99)
        self.press_on_game("space")
        playing, score = self.shows(self.expect.lines("play", PLAY_TEXTS, TEXT_COLOUR))
        check(playing, f"SPACE did not start play (text match {score:.3f})")
        return playing

    def ends_with(self, status, timeout=10):
        ended = self.game.wait(timeout)
        check(ended is not None, "the game did not end")
        check(ended == status, f"the game ended with status {ended}, not {status}: "
                               f"{self.game.errors()}")

    def fatal(self, names):
        """The game stops with a message naming `names`, its message box (if it can show one)
        is dismissed, and the status is not 0."""
        told = wait_until(lambda: all(n in self.game.errors() for n in names), 15)
        check(told, f"no message naming {names}: {self.game.errors()!r}")
        if shutil.which("xmessage", path=self.display.env.get("PATH")):
            box = wait_until(lambda: any(kind == "xmessage"
                                         for *_, kind in self.display.viewable()), 10)
            check(box, "no message box")
            self.display.point_at(DESKTOP_W // 2, DESKTOP_H // 2)
            self.display.hold("Return")
        status = self.game.wait(10)
        check(status not in (None, 0), f"the game ended with status {status}")

    def screenshot(self, number):
        path = os.path.join(self.play_dir, f"s{number:04d}.bmp")
        check(wait_until(lambda: os.path.exists(path), 5), f"no {os.path.basename(path)}")
        time.sleep(0.3)
        return Bmp8(path)


def title_screen(s):
    """Full screen 4x at 1920 x 1080, centred, every square exact."""
    s.place()
    s.start()
    shown = s.expect_picture(s.expect.title(), 4, True, "the title")
    without_girl = s.expect.render("lines", *[f"text:10:{y}:{TEXT_COLOUR}:{t}"
                                              for y, t in TITLE_LINES])
    check(drawn_match(shown, without_girl, s.expect.palette) > 0.97,
          "the title lines are not in the font's colour 15")


def title_without_local_data(s):
    """An installed game started in an empty folder finds its data beside its program."""
    s.start()
    capture, score = s.shows(s.expect.title(), whole=True, threshold=0.99)
    check(capture, f"the title does not show from an empty folder ({score:.3f})")


def play(s):
    """Walking scrolls; an S screenshot is what the screen shows, square by square, in full
    screen and in a window after Alt+Enter; ESC ends with 0."""
    s.place()
    s.start()
    before = s.start_play()
    s.press_on_game("Right", 1.5)
    shift, unshifted, shifted = band_shift(before, s.shown())
    check(shift >= 10 and unshifted > 0.05 and shifted < unshifted / 3,
          f"holding right did not scroll the view (shift {shift}, mismatch "
          f"{unshifted:.3f} -> {shifted:.3f})")

    time.sleep(0.5)   # she comes to rest: every frame is the same from here on
    s.press_on_game("s")
    shot = s.screenshot(0)
    check((shot.width, shot.height, shot.bpp, shot.compression) == (320, 240, 8, 0),
          f"the screenshot is {shot.width} x {shot.height} x {shot.bpp} bits")
    check(all(close(a, b) for a, b in zip(shot.palette, s.expect.palette)),
          "the screenshot's palette is not the datafile's")
    s.expect_picture(shot, 4, True, "play in full screen")

    s.switch_mode(full_screen=False)
    s.expect_picture(shot, 4, False, "play in a window")

    s.press_on_game("Escape")
    s.ends_with(0)


def death_and_retry(s):
    """In the pit: away from the keyboard for three seconds while she falls, she stays where
    she was; the question ignores 'Y'; a slow 'y' with an arrow held starts her at the start;
    'n' ends with 0."""
    s.place(pit=True)
    s.start()
    s.shows(s.expect.title(), whole=True, threshold=0.99)
    s.keys_down("s")          # held through the start: the first frame is saved as s0000.bmp
    s.press_on_game("space")
    first = s.screenshot(0)
    s.keys_up("s")
    first_top = view_top(first, s.expect.palette)
    check(first_top is not None, "the first frame shows no ruler")

    time.sleep(0.7)
    s.display.take_focus_away()
    paused_text = s.expect.lines("paused", PAUSED_TEXT, TEXT_COLOUR, centre=True)
    away, score = s.shows(paused_text, timeout=2)
    check(away, f"no \"Paused\" while away ({score:.3f})")
    time.sleep(3)
    check(s.shown().colours == away.colours, "the picture changed while away")
    left_at = view_top(away, s.expect.palette)
    s.display.give_focus_back()
    back = wait_until(lambda: (lambda v: v if v is not None and v != left_at else None)(
        view_top(s.shown(), s.expect.palette)), 3, interval=0.05)
    check(left_at is not None and back is not None and 0 < back - left_at <= 20 * FALL_LIMIT,
          f"she was at view row {left_at} when the focus left and at {back} after it came "
          "back: the ticks of the pause were run")

    question = s.expect.lines("death", DEATH_TEXTS, DEATH_COLOUR, centre=True)
    asked, score = s.shows(question, timeout=15)
    check(asked, f"falling into the pit shows no death question ({score:.3f})")
    s.press_on_game("shift+y")
    time.sleep(2)             # a slow answer: the timer runs on meanwhile
    still_asked, _ = s.shows(question, timeout=1)
    check(still_asked and s.game.process.poll() is None, "'Y' answered")
    s.keys_down("Right", "s")
    s.press_on_game("y")
    again = s.screenshot(1)
    s.keys_up("Right", "s")
    again_top = view_top(again, s.expect.palette)
    check(again_top is not None and abs(again_top - first_top) <= 2,
          f"the new attempt's first frame shows the view from row {again_top}, the first "
          f"attempt's from row {first_top}")

    asked_again, score = s.shows(question, timeout=15)
    check(asked_again, f"the new attempt did not end in the pit ({score:.3f})")
    s.press_on_game("n")
    s.ends_with(0)


def windows(s):
    """Command line: a bad option, --help, --window and Alt+Enter at the title, the close
    button at the title and in play, --scale 2, and a level named on the command line that
    the game cannot play."""
    s.place()
    s.make_map("unplayable-map", os.path.join(s.play_dir, "full.fmp"))
    s.start("--bogus")
    s.ends_with(USAGE_ERROR)
    check("usage: orvia" in s.game.errors() and "--bogus" in s.game.errors(),
          f"no usage: {s.game.errors()!r}")
    s.start("--help")
    s.ends_with(0)
    check("usage: orvia [--window | --fullscreen | --scale N]" in s.game.output(),
          "--help shows no usage")

    s.start("--window")
    title = s.expect.title()
    s.expect_picture(title, 4, False, "the title in a window")
    s.switch_mode(full_screen=True)
    s.expect_picture(title, 4, True, "the title after Alt+Enter")
    s.switch_mode(full_screen=False)
    s.expect_picture(title, 4, False, "the title after Alt+Enter again")
    s.display.request_close()
    s.ends_with(0)

    s.start("--scale", "2")
    s.expect_picture(title, 2, False, "--scale 2")
    s.start_play()
    s.display.request_close()
    s.ends_with(0)

    s.start("full.fmp")
    s.fatal(['cannot play the map "full.fmp"', "a solid block fills the girl's start position"])


def missing_gfx(s):
    s.place(gfx=False)
    s.start()
    s.fatal(['"gfx.dat"', "share/orvia"])


def wrong_gfx(s):
    s.place(gfx=False)
    shutil.copy(os.path.join(s.args.data, "jump.fmp"), os.path.join(s.play_dir, "gfx.dat"))
    s.start()
    s.fatal(['"gfx.dat"'])


# Sound goes into a file through ALSA's file plugin: the game's HOME holds an .asoundrc.
ASOUNDRC = 'pcm.!default {{ type file slave.pcm "null" file "{out}" format "raw" }}\n'
HEARD_LEVEL = 1000             # of 32768: every cue is far louder
HEARD_WITHIN = 0.25            # seconds from a key press to its sound


def sound_home(s, name):
    """A HOME whose ALSA default device writes into a raw file; the file's path."""
    home = os.path.join(s.play_dir, name)
    os.mkdir(home)
    out = os.path.join(home, "out.raw")
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write(ASOUNDRC.format(out=out))
    return home, out


def samples(path, start=0):
    """The raw file's 16-bit samples from byte `start` on."""
    with open(path, "rb") as f:
        f.seek(start)
        data = f.read()
    return array.array("H", data[:len(data) // 2 * 2])


def heard(path, start, silence):
    return any(abs(v - silence) > HEARD_LEVEL for v in samples(path, start))


def sound(s):
    """A jump is heard within a quarter of a second of its key; with --mute the same play
    writes only silence, until M switches sound on."""
    s.place()
    for muted in (False, True):
        home, out = sound_home(s, "muted" if muted else "heard")
        s.start(*(["--mute"] if muted else []), env={"HOME": home})
        s.start_play()
        time.sleep(1)             # the start of play is heard and over
        check(os.path.exists(out), "nothing reached the sound device")
        silence = collections.Counter(samples(out)).most_common(1)[0][0]
        before = os.path.getsize(out)
        s.point_at_game()
        pressed = time.monotonic()
        s.display.run("xdotool", "keydown", "Control_L")
        jumped = wait_until(lambda: heard(out, before, silence), 1, interval=0.01)
        delay = time.monotonic() - pressed
        s.keys_up("Control_L")
        if muted:
            time.sleep(0.5)
            check(not heard(out, 0, silence), "--mute: the game made sound")
            s.press_on_game("m")
            before = os.path.getsize(out)
            s.press_on_game("Control_L")
            check(wait_until(lambda: heard(out, before, silence), 1, interval=0.01),
                  "M did not switch sound on")
        else:
            check(jumped and delay <= HEARD_WITHIN, f"the jump was heard after {delay:.2f} s")
        s.press_on_game("Escape")
        s.ends_with(0)
        check("sound" not in s.game.errors(), f"sound said: {s.game.errors()}")


def view_tops(s, seconds):
    """(time, view row) while she falls down the pit's shaft, for `seconds`."""
    seen, until = [], time.monotonic() + seconds
    while time.monotonic() < until:
        at = time.monotonic()
        top = view_top(s.shown(), s.expect.palette)
        if top is not None:
            seen.append((at, top))
    return seen


def fall_speed(seen):
    """Map rows a second, fitted to the view rows seen."""
    check(len(seen) >= 3, f"the ruler showed {len(seen)} times")
    n = len(seen)
    mean_t = sum(t for t, _ in seen) / n
    mean_y = sum(y for _, y in seen) / n
    return sum((t - mean_t) * (y - mean_y) for t, y in seen) / \
        sum((t - mean_t) ** 2 for t, _ in seen)


def pause_and_speed(s):
    """In the pit: P holds her still for three seconds and P again lets her fall on, having run
    none of the ticks of the pause; --speed 50 lets her fall half as far in the same time."""
    s.place(pit=True)
    s.start()
    s.start_play()
    time.sleep(0.5)
    paused_text = s.expect.lines("paused", PAUSED_TEXT, TEXT_COLOUR, centre=True)
    s.press_on_game("p")
    paused, score = s.shows(paused_text, timeout=2)
    check(paused, f"P shows no \"Paused\" ({score:.3f})")
    time.sleep(3)
    check(s.shown().colours == paused.colours, "the picture changed while paused")
    left_at = view_top(paused, s.expect.palette)
    s.press_on_game("p", 0.2)
    back = wait_until(lambda: (lambda v: v if v is not None and v != left_at else None)(
        view_top(s.shown(), s.expect.palette)), 3, interval=0.05)
    check(left_at is not None and back is not None and 0 < back - left_at <= 20 * FALL_LIMIT,
          f"paused at view row {left_at}, at {back} after P again")
    full = fall_speed(view_tops(s, 1.5))
    s.press_on_game("Escape")
    s.ends_with(0)

    s.start("--speed", "50")
    s.start_play()
    time.sleep(0.5)
    half = fall_speed(view_tops(s, 1.5))
    check(0.4 < half / full < 0.6, f"she fell {full:.0f} rows a second at full speed and "
                                   f"{half:.0f} at --speed 50")
    s.press_on_game("Escape")
    s.ends_with(0)


def chosen_keys(s):
    """ESC at the title ends with 0; a controls file that puts jump on Z makes Z jump and left
    Ctrl not."""
    s.place()
    s.start()
    s.shows(s.expect.title(), whole=True, threshold=0.99)
    s.press_on_game("Escape")
    s.ends_with(0)

    config = os.path.join(s.play_dir, "config")
    os.makedirs(os.path.join(config, "orvia"))
    with open(os.path.join(config, "orvia", "controls.cfg"), "w") as f:
        f.write("[keys]\njump = Z\n")
    s.start(env={"XDG_CONFIG_HOME": config})
    s.start_play()
    time.sleep(0.5)
    standing = s.shown()
    def moves_her(key):
        s.keys_down(key)
        moved = wait_until(lambda: s.shown().colours != standing.colours, 1, interval=0.05)
        s.keys_up(key)
        time.sleep(1.5)           # back on the ground, at rest
        return moved
    check(not moves_her("Control_L"), "left Ctrl jumped with jump on Z")
    check(moves_her("z"), "Z did not jump")
    check("controls.cfg" not in s.game.errors(),
          f"the controls file was not taken quietly: {s.game.errors()}")
    s.press_on_game("Escape")
    s.ends_with(0)


def run_headless(s, *args):
    """The game run without a display, as --verify is."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    return subprocess.run([s.args.game, *args], cwd=s.play_dir, env=env, capture_output=True,
                          text=True, timeout=60)


def replays(s):
    """A session of two attempts recorded with key presses (a death, 'y', then ESC) verifies
    without a display; with one control changed it does not, naming the attempt and the tick;
    played back it ends on the picture the recorded play was saved at; a ghost of it runs beside
    a player who stands still; and --record onto an existing file is refused, the file as it
    was."""
    s.place()
    taken = os.path.join(s.play_dir, "taken.replay")
    with open(taken, "w") as f:
        f.write("a file of the player's\n")
    s.start("--record", "taken.replay")
    s.ends_with(1, timeout=5)
    check("exists" in s.game.errors() and s.display.game_window() is None,
          f"--record onto a file: {s.game.errors()!r}")
    check(read_text(taken) == "a file of the player's\n", "--record changed an existing file")

    recording = os.path.join(s.play_dir, "session.replay")
    s.start("--record", "session.replay")
    s.start_play()
    s.press_on_game("Left", 7)      # into the pit by the start and out of the map
    question = s.expect.lines("death", DEATH_TEXTS, DEATH_COLOUR, centre=True)
    asked, score = s.shows(question, timeout=10)
    check(asked, f"the pit shows no death question ({score:.3f})")
    s.press_on_game("y")
    s.press_on_game("Right", 1)     # somewhere else than the start, at rest
    time.sleep(1)
    s.press_on_game("s")
    end_of_play = s.screenshot(0)
    time.sleep(0.5)
    s.press_on_game("Escape")
    s.ends_with(0)

    verified = run_headless(s, "--verify", "session.replay")
    check(verified.returncode == 0 and "session.replay: 2 attempts," in verified.stdout and
          "as recorded" in verified.stdout,
          f"--verify: {verified.returncode} {verified.stdout!r} {verified.stderr!r}")
    lines = read_text(recording).splitlines(keepends=True)
    first_pass = next(i for i, line in enumerate(lines) if line.startswith("L "))
    with open(os.path.join(s.play_dir, "changed.replay"), "w") as f:
        f.write("".join(lines[:first_pass] + ["R" + lines[first_pass][1:]] +
                        lines[first_pass + 1:]))
    changed = run_headless(s, "--verify", "changed.replay")
    check(changed.returncode == 1 and "attempt 1" in changed.stdout + changed.stderr and
          "tick" in changed.stdout + changed.stderr,
          f"--verify of a changed control: {changed.returncode} {changed.stdout!r}")

    s.start("--replay", "session.replay")
    last = None
    while s.game.process.poll() is None:
        try:
            last = s.shown()
        except (Failure, xerror.XError):
            pass                     # the window went while it was read
        time.sleep(0.05)
    s.ends_with(0)
    score = whole_match(last, end_of_play, s.expect.palette) if last else 0
    check(score > 0.98, f"the replay does not end on the saved picture ({score:.3f})")

    s.start("--ghost", "session.replay")
    s.start_play()
    time.sleep(3)                    # the ghost walks left from the start; the player stands
    raced = s.shown()
    x0, y0 = 204 - 120, 159          # left of where she stands, in her rows
    ghostly = sum(not close(raced.rgb(x, y), end_of_play.rgb(x, y))
                  for y in range(y0, y0 + 32) for x in range(x0, x0 + 110))
    check(ghostly > 30, f"no ghost beside the standing girl ({ghostly} pixels)")
    s.press_on_game("Escape")
    s.ends_with(0)


# A small Tiled map of the designer's kind: 40 x 20 blocks, a floor, a start object, tiles of
# two palette colours drawn from a palette PNG of the game's own palette.
SMALL_W, SMALL_H = 40, 20
FLOOR_ROW = 18
FLOOR_INDEX, WALL_INDEX = 100, 150
START_POINT = (100, FLOOR_ROW * 16)    # on the floor's top edge: her feet just above it
COLUMN = 9                             # the solid column the designer adds beside her
COLUMN_ROWS = range(10, FLOOR_ROW)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + \
        struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)


def palette_png(path, palette, rows):
    """An 8-bit palette PNG of the given rows of palette indices."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    data = (b"\x89PNG\r\n\x1a\n" +
            png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)) +
            png_chunk(b"PLTE", b"".join(bytes(rgb) for rgb in palette)) +
            png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def small_tmx(with_column):
    cells = [[0] * SMALL_W for _ in range(SMALL_H)]
    for row in range(FLOOR_ROW, SMALL_H):
        cells[row] = [1] * SMALL_W
    if with_column:
        for row in COLUMN_ROWS:
            cells[row][COLUMN] = 2
    csv = ",\n".join(",".join(map(str, row)) for row in cells)
    solid = '<properties><property name="solid" type="bool" value="true"/></properties>'
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<map version="1.10" orientation="orthogonal" renderorder="right-down" width="{SMALL_W}"
     height="{SMALL_H}" tilewidth="16" tileheight="16" infinite="0" nextlayerid="3"
     nextobjectid="2">
 <tileset firstgid="1" name="tiles" tilewidth="16" tileheight="16" tilecount="2" columns="2">
  <image source="tiles.png" width="32" height="16"/>
  <tile id="0">{solid}</tile>
  <tile id="1">{solid}</tile>
 </tileset>
 <layer id="1" name="ground" width="{SMALL_W}" height="{SMALL_H}">
  <data encoding="csv">
{csv}
</data>
 </layer>
 <objectgroup id="2" name="objects">
  <object id="1" name="start" x="{START_POINT[0]}" y="{START_POINT[1]}"><point/></object>
 </objectgroup>
</map>
"""


def save(path, text):
    """Saved as an editor saves: a new file renamed over the old one."""
    with open(path + ".new", "w") as f:
        f.write(text)
    os.replace(path + ".new", path)


def designer_loop(s):
    """A small Tiled map with a start object plays as it is; with --watch a solid column saved
    beside her shows within two seconds while she stays where she was; a save cut short leaves
    the level as it was and says what is wrong; the save put right is played again."""
    s.place()
    tiles = [[FLOOR_INDEX] * 16 + [WALL_INDEX] * 16 for _ in range(16)]
    palette_png(os.path.join(s.play_dir, "tiles.png"), s.expect.palette, tiles)
    level = os.path.join(s.play_dir, "small.tmx")
    save(level, small_tmx(with_column=False))
    s.start("--watch", "small.tmx")
    s.start_play()
    time.sleep(1)
    standing = s.shown()
    # The camera stays at the map's corner: its picture pixels are map pixels less (0, 80).
    column_at = (COLUMN * 16 + 8, COLUMN_ROWS[0] * 16 + 8 - 80)
    girl_rows = range(START_POINT[1] - 32 - 80, START_POINT[1] - 80)
    girl_columns = range(START_POINT[0] - 16, START_POINT[0] + 16)
    def girl(picture):
        return [picture.rgb(x, y) for y in girl_rows for x in girl_columns]
    check(close(standing.rgb(50, FLOOR_ROW * 16 + 4 - 80), s.expect.palette[FLOOR_INDEX]),
          "the small map's floor does not show")

    saved = time.monotonic()
    save(level, small_tmx(with_column=True))
    wall = s.expect.palette[WALL_INDEX]
    shown = wait_until(lambda: (lambda p: p if close(p.rgb(*column_at), wall) else None)(
        s.shown()), 4, interval=0.05)
    delay = time.monotonic() - saved
    check(shown and delay <= 2, f"the saved column showed after {delay:.1f} s")
    check(girl(shown) == girl(standing), "she did not stay where she was")

    with open(level) as f:
        whole = f.read()
    time.sleep(2.5)                  # "Level reloaded" is gone
    save(level, whole[:len(whole) // 2])
    told = wait_until(lambda: "was not reloaded" in s.game.errors(), 4, interval=0.1)
    check(told and "small.tmx" in s.game.errors(),
          f"a save cut short is not told on standard error: {s.game.errors()!r}")
    def noted(picture):      # the note follows the line on standard error by a frame or so
        return any(close(picture.rgb(x, y), s.expect.palette[TEXT_COLOUR])
                   for y in range(GAME_H - 16, GAME_H) for x in range(4, 160))
    shown = wait_until(lambda: (lambda p: p if noted(p) else None)(s.shown()), 1, interval=0.05)
    check(shown and close(shown.rgb(*column_at), wall),
          "a save cut short: no note in the picture, or the level did not play on")
    save(level, small_tmx(with_column=False))
    gone = wait_until(lambda: not close(s.shown().rgb(*column_at), wall), 4, interval=0.1)
    check(gone, "the save put right was not played")
    s.press_on_game("Escape")
    s.ends_with(0)


def missing_map(s):
    """Refused before the title."""
    s.place(level=False)
    s.start()
    s.fatal(['"jump.fmp"', "cannot be opened"])


def no_display(s):
    s.place()
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    s.game = Game(None, s.play_dir, [s.args.game], env=env)
    status = s.game.wait(15)
    check(status is not None and status != 0, f"status {status} without a display")
    check("display" in s.game.errors(), f"no clear message: {s.game.errors()!r}")


SCENARIOS = {f.__name__: f for f in (title_screen, title_without_local_data, play,
                                      death_and_retry, windows, missing_gfx, wrong_gfx,
                                      missing_map, no_display, sound, pause_and_speed,
                                      chosen_keys, replays, designer_loop)}


# ---------------------------------------------------------------------------------------------
# Processor time and wake-ups
# ---------------------------------------------------------------------------------------------

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rpartition(")")[2].split()
    ticks = int(fields[11]) + int(fields[12])   # utime and stime
    return ticks / os.sysconf("SC_CLK_TCK")


def main_thread_switches(pid):
    """Times the main thread has gone to sleep: each is one wake-up."""
    with open(f"/proc/{pid}/task/{pid}/status") as f:
        for line in f:
            if line.startswith("voluntary_ctxt_switches"):
                return int(line.split()[1])
    return 0


def measure(s, seconds):
    """Processor share and wake-ups while she walks, with sound playing into a file."""
    s.place()
    home, _ = sound_home(s, "measured")
    s.start(env={"HOME": home})
    s.start_play()
    s.keys_down("Right")
    pid = s.game.process.pid
    start_cpu, start_wakes, start = cpu_seconds(pid), main_thread_switches(pid), time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - start
    used = cpu_seconds(pid) - start_cpu
    wakes = main_thread_switches(pid) - start_wakes
    s.keys_up("Right")
    print(f"{elapsed:.1f} s of walking full screen at {DESKTOP_W} x {DESKTOP_H} with sound: "
          f"processor {used:.2f} s, {100 * used / elapsed:.1f}% of one core; main thread "
          f"{wakes / elapsed:.0f} wake-ups a second")
    s.press_on_game("Escape")
    s.ends_with(0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True, help="folder with gfx.dat and jump.fmp")
    parser.add_argument("--helper", required=True)
    parser.add_argument("--measure", type=float, metavar="SECONDS")
    parser.add_argument("scenario", nargs="?", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    args.game, args.data, args.helper = map(os.path.abspath, (args.game, args.data, args.helper))
    if not args.scenario and not args.measure:
        parser.error("name a scenario or --measure")

    name = args.scenario or "measure"
    with tempfile.TemporaryDirectory(prefix="orvia-e2e-") as work:
        s = Scenario(args, work)
        try:
            if args.measure:
                measure(s, args.measure)
            else:
                SCENARIOS[args.scenario](s)
        except Failure as failure:
            print(f"FAILED {name}: {failure}")
            return 1
        finally:
            s.close()
    print(f"passed {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
