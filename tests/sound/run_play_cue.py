#!/usr/bin/env python3
"""Checks that a cue reaches the sound device, and that muting keeps it silent.

Starts its own Xvfb (the game library's system driver, which loads the ALSA sound driver,
needs a display), and runs play_cue in the game's folder three times, each with a HOME of its
own whose .asoundrc sends ALSA's default device into a raw file: played, the file holds sound;
muted, only silence; started muted and switched on, sound again. Nothing may reach standard
error. Run by hand:

    run_play_cue.py --program build/tests/sound/play_cue --data build/game
"""

import argparse
import array
import collections
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import Failure, check  # noqa: E402

ASOUNDRC = 'pcm.!default {{ type file slave.pcm "null" file "{out}" format "raw" }}\n'
HEARD_LEVEL = 1000     # of 32768: the jump is made at 0.4 of full scale
RUN_SECONDS = 20
# What the game library leaks under the sanitizers when it opens sound; not ours to free.
LEAKS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sound_leaks.supp")


def start_display():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "320x240x24",
                             "-nolisten", "tcp"], pass_fds=[write_end],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    if not number:
        xvfb.kill()
        raise Failure("Xvfb did not start")
    return xvfb, ":" + number


def loudest(path):
    """The largest distance of the raw file's 16-bit samples from silence. The driver may hand
    ALSA signed or unsigned samples, so silence is the value the file holds most often."""
    samples = array.array("H")
    with open(path, "rb") as f:
        data = f.read()
    samples.frombytes(data[:len(data) // 2 * 2])
    check(len(samples) > 0, f"{path} holds no samples")
    silence = collections.Counter(samples).most_common(1)[0][0]
    return max(abs(s - silence) for s in samples)


def play(program, data, display, mode, work):
    home = os.path.join(work, mode)
    os.mkdir(home)
    out = os.path.join(home, "out.raw")
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write(ASOUNDRC.format(out=out))
    # The library's allocations are told apart by a full unwind: the fast one stops in them.
    asan = f"{os.environ.get('ASAN_OPTIONS', '')}:fast_unwind_on_malloc=0"
    lsan = f"{os.environ.get('LSAN_OPTIONS', '')}:suppressions={LEAKS}:print_suppressions=0"
    env = dict(os.environ, HOME=home, DISPLAY=display, ASAN_OPTIONS=asan, LSAN_OPTIONS=lsan)
    result = subprocess.run([os.path.abspath(program), mode], cwd=data, env=env,
                            capture_output=True, text=True, timeout=RUN_SECONDS)
    check(result.returncode == 0, f"play_cue {mode} failed ({result.returncode}): "
                                  f"{result.stderr}")
    check(result.stderr == "", f"play_cue {mode} wrote on standard error:\n{result.stderr}")
    check(os.path.exists(out), f"play_cue {mode} wrote nothing to the device")
    return loudest(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--data", required=True)
    args = parser.parse_args()
    xvfb, display = start_display()
    try:
        with tempfile.TemporaryDirectory(prefix="orvia-sound-") as work:
            heard = play(args.program, args.data, display, "heard", work)
            muted = play(args.program, args.data, display, "muted", work)
            unmuted = play(args.program, args.data, display, "unmuted", work)
        print(f"loudest sample: heard {heard}, muted {muted}, switched on {unmuted}")
        check(heard >= HEARD_LEVEL, f"the cue played at most {heard}: not heard")
        check(muted == 0, f"muted, the device still got sound up to {muted}")
        check(unmuted >= HEARD_LEVEL, f"switched on, the cue played at most {unmuted}")
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    finally:
        xvfb.kill()
        xvfb.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
