"""What every part of the end-to-end harness shares, whichever front end it
drives: the failure a check reports, waiting with a time limit, a dialog as the
drivers describe it, the waits on a running game, and the runner of a list of
named checks."""

import time
import traceback


class CheckFailed(AssertionError):
    """What a check saw that it should not have."""


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


def wait_for(what, probe, timeout=30.0, interval=0.05):
    """Calls probe() until it returns something true and returns that; raises
    CheckFailed naming `what` when the time limit passes first."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise CheckFailed("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Dialog:
    """A visible dialog with its controls, as a driver saw it."""

    def __init__(self, caption, client, origin):
        self.caption = caption
        self.client = client
        self.origin = origin
        self.focus = None
        self.close_box = None  # the centre of the caption's close box, where a driver can tell
        self.controls = []  # dicts: id, cls, style, checked, rect, text

    def control(self, text):
        for c in self.controls:
            if c["text"] == text:
                return c
        raise CheckFailed("dialog %r has no control %r (has %s)"
                          % (self.caption, text, [c["text"] for c in self.controls]))

    def centre(self, text):
        """The screen pixel at the centre of the control showing `text`."""
        left, top, right, bottom = self.control(text)["rect"]
        return (left + right) // 2, (top + bottom) // 2

    def checked(self):
        return [c["text"] for c in self.controls if c["checked"]]

    def screen_point(self, template_size, unit_rect):
        """The screen pixel at the centre of a control placed at (x, y, w, h) in
        dialog units, the dialog's template being template_size units: the client
        area is the template scaled by the dialog's base units."""
        tw, th = template_size
        x, y, w, h = unit_rect
        cw, ch = self.client
        return (self.origin[0] + (2 * x + w) * cw // (2 * tw),
                self.origin[1] + (2 * y + h) * ch // (2 * th))


class Watched:
    """The waits a running game offers the checks alike on both front ends, built
    on its screen() and dialogs(): `poll` is how often a wait looks, `still_poll`
    how often a wait for a still screen does."""

    poll = 0.1
    still_poll = 0.15

    def idle(self):
        """Whether the game is between calls, so that the screen can be still."""
        return True

    def wait_screen(self, what, condition, timeout=30.0):
        """Polls the screen until condition(image) holds; returns that image."""
        def probe():
            image = self.screen()
            return image if condition(image) else None
        return wait_for(what, probe, timeout=timeout, interval=self.poll)

    def wait_still(self, what="the screen to stop changing", timeout=30.0):
        """The screen once the game is idle and two readings in a row are the same."""
        previous = [None]

        def probe():
            if not self.idle():
                return None
            image = self.screen()
            same = previous[0] is not None and image.data == previous[0].data
            previous[0] = image
            return image if same else None
        return wait_for(what, probe, timeout=timeout, interval=self.still_poll)

    def wait_dialog(self, caption, timeout=30.0):
        def probe():
            shown = [d for d in self.dialogs() if d.caption == caption]
            return shown[0] if shown else None
        return wait_for("a dialog captioned %r" % caption, probe, timeout=timeout, interval=self.poll)

    def wait_no_dialog(self, timeout=30.0):
        wait_for("the dialog to close", lambda: not self.dialogs(), timeout=timeout, interval=self.poll)


class Runner:
    """Runs named checks one after the other: one console line each, "ok    NAME
    (S s)" or "FAIL  NAME (S s): PROBLEM", the details in the log, and at the end
    "N passed, M failed". A check that breaks is a failed check, not a crashed run."""

    def __init__(self, log_path):
        self.log_path = log_path
        self.passed = self.failed = 0

    def log(self, text):
        with open(self.log_path, "a") as f:
            f.write(text + "\n")

    def run(self, name, check, finish=None, shot=None):
        """Runs check(); on a failure calls shot() to keep the screen; then
        finish() to stop what the check started. Returns the problem, or None."""
        self.log("=== %s" % name)
        started = time.monotonic()
        problem = None
        try:
            check()
        except CheckFailed as e:
            problem = str(e).strip() or "the check failed without saying why"
        except Exception as e:
            problem = "%s: %s" % (type(e).__name__, e)
            self.log(traceback.format_exc())
        if problem and shot:
            try:
                shot()
            except Exception as e:
                self.log("no screenshot of the failure: %s" % e)
        if finish:
            try:
                finish()
            except Exception as e:
                problem = problem or "could not stop the game: %s" % e
        self.count(name, problem, time.monotonic() - started)
        return problem

    def count(self, name, problem, seconds):
        if problem:
            self.failed += 1
            self.log("FAIL %s" % problem)
            # One line a check, however long the problem: the rest is in the log.
            print("FAIL  %s (%.1f s): %s" % (name, seconds, problem.strip().splitlines()[0]), flush=True)
        else:
            self.passed += 1
            print("ok    %s (%.1f s)" % (name, seconds), flush=True)

    def summary(self):
        """Prints the last line; returns the exit status."""
        print("%d passed, %d failed" % (self.passed, self.failed))
        return 1 if self.failed else 0
