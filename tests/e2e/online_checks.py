"""The online game end to end: vantor-server on 127.0.0.1 (a free port, a fresh
database), two headless Chromium sessions playing through it and a third one
watching, each a separate browser with its own storage, as three people are.
run_e2e.py --server BINARY SITE runs them; the second check goes on with the
first one's game."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
from types import SimpleNamespace

from basics import expect, wait_for
from web_page import CHROMIUM_FLAGS, Page, free_port
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

INFO = "return window.vantorPage.online().info();"
STATUS = "return document.getElementById('online-status').textContent;"


class Online:
    """The server, restartable on the same port and database, and the players'
    browsers: `first` makes the room, `second` opens the invitation, `watcher`
    opens it after them."""

    name = "online"

    def __init__(self, server, site):
        self.root = tempfile.mkdtemp(prefix="vantor-online-")
        self.command = [os.path.abspath(server), "--host", "127.0.0.1", "--port", str(free_port()),
                        "--site", os.path.abspath(site), "--db", os.path.join(self.root, "rooms.db")]
        self.url = "http://127.0.0.1:%s/" % self.command[4]
        self.server = None
        self.drivers = []
        try:
            self.start_server()
            self.first, self.second, self.watcher = (self.browser(name) for name in ("first", "second", "watcher"))
        except BaseException:
            self.close()
            raise

    def start_server(self):
        log = open(os.path.join(self.root, "server.log"), "a")
        self.server = subprocess.Popen(self.command, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        log.close()
        wait_for("the server to listen", self._listening, timeout=20)

    def _listening(self):
        try:
            with socket.create_connection(("127.0.0.1", int(self.command[4])), timeout=1):
                return True
        except OSError:
            expect(self.server.poll() is None, "the server ended with %s" % self.server.returncode)
            return False

    def stop_server(self, sig):
        self.server.send_signal(sig)
        self.server.wait(timeout=20)

    def browser(self, name):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + os.path.join(self.root, name)]:
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.drivers.append(driver)
        driver.set_script_timeout(60)
        player = Page(SimpleNamespace(driver=driver), self.url)
        player.name = name
        return player

    def players(self):
        return [self.first, self.second, self.watcher]

    def save_screenshot(self, path):
        """The three pages, each in a file named after the player."""
        for player in self.players():
            player.driver.save_screenshot(path.replace(".png", "-%s.png" % player.name))

    def close(self):
        for driver in self.drivers:
            driver.quit()
        if self.server and self.server.poll() is None:
            self.server.send_signal(signal.SIGCONT)  # a check may have stopped it
            self.stop_server(signal.SIGTERM)
        shutil.rmtree(self.root, ignore_errors=True)


# --- what the checks share ---------------------------------------------------------

def info(player):
    return player.driver.execute_script(INFO)


def status(player):
    return player.driver.execute_script(STATUS)


def wait_seq(players, seq, boards=True):
    """Every player connected and at the room's action `seq`; returns their boards."""
    for player in players:
        def there():
            now = info(player)
            return now["connected"] and now["seq"] == seq and not now["pending"]
        wait_for("%s at action %d" % (player.name, seq), there, timeout=30, interval=0.02)
    return [player.wait_still() for player in players] if boards else None


def expect_same(boards, what):
    first = boards[0]
    for board in boards[1:]:
        expect((board.width, board.height) == (first.width, first.height) and board.data == first.data,
               "the screens differ %s" % what)


def cell_point(player, size, column, row):
    """The middle of a cell of a board of `size` cells, as the grid centres it."""
    cell = {6: 20, 8: 25}[size]
    width, height = player.screen_size()
    return ((width - size * cell - 1) // 2 + column * cell + cell // 2,
            (height - size * cell - 1) // 2 + row * cell + cell // 2)


def play(players, size, cells, seq):
    """Each cell clicked by the player whose turn it is, alternately; returns the seq reached."""
    for k, (column, row) in enumerate(cells):
        players[k % 2].click(*cell_point(players[k % 2], size, column, row))
        seq += 1
        wait_seq(players, seq, boards=False)
    return seq


# A whole 6 x 6 round, in an order that gives both players triangles.
ROUND = [(c, r) for r in range(6) for c in (range(6) if r % 2 else range(5, -1, -1))]


def check_round(h):
    """A room made with Play a friend, seated by its link and watched; a click
    out of turn refused with the reason; a whole round, then New and an 8 x 8
    Size, the same on every screen, and the round as one screen plays it."""
    o = h.front
    first, second, watcher = o.players()
    first.keys("alt+o", "p")
    link = wait_for("the invitation", lambda: info(first)["invitation"])
    expect(link.startswith(o.url + "#room="), "the invitation %r is not a full address" % link)
    for player in (second, watcher):
        player.driver.get(link)
        wait_for("%s to start" % player.name, player._started)
    wait_seq(o.players(), 0)
    expect([info(p)["seat"] for p in o.players()] == [0, 1, -1], "the seats are not first, second, watching")
    second.click(*cell_point(second, 6, 0, 0))
    wait_for("the reason for a click out of turn", lambda: "Not your turn" in status(second))
    watcher.click(*cell_point(watcher, 6, 0, 0))
    wait_for("the watcher's reason", lambda: "watching" in status(watcher))
    seq = play([first, second], 6, ROUND, 0)
    expect("round is over" in status(first), "the status says %r after the round" % status(first))
    boards = wait_seq(o.players(), seq)
    expect_same(boards, "after a whole round")
    h.shot("round", boards[0])
    # The same round at one screen, Human <> Human, on the watcher's browser.
    watcher.driver.get(o.url)
    wait_for("a page of its own", watcher._started)
    watcher.keys("alt+v", "s", "t")
    watcher.click_screen(*watcher.wait_dialog("Size").centre("Human <> Human"))
    watcher.keys("Return")
    watcher.wait_no_dialog()
    for column, row in ROUND:
        watcher.click(*cell_point(watcher, 6, column, row))
    expect_same([boards[0], watcher.wait_still()], "from the same round played at one screen")
    watcher.driver.get(link.split("&")[0])
    second.keys("alt+v", "n")
    wait_seq(o.players(), seq + 1)
    first.keys("alt+v", "s", "s")
    first.click_screen(*first.wait_dialog("Dialog").centre("8 x 8"))
    first.keys("Return")
    boards = wait_seq(o.players(), seq + 2)
    expect_same(boards, "after New and the Size dialog")
    expect(status(first).startswith("Your turn"), "a new game does not start with its maker")
    h.shot("size", boards[0])


def check_reconnection(h):
    """A cut socket, a reload, a resize and a server killed with SIGKILL: the
    pages come back by themselves to the same game and play on."""
    o = h.front
    first, second, watcher = o.players()
    seq = play([first, second], 8, [(0, 0), (1, 0)], info(first)["seq"])
    first.driver.execute_script("window.vantorPage.online().cut();")
    wait_for("the page to say it is disconnected", lambda: "reconnecting" in status(first))
    wait_seq([first], seq, boards=False)
    seq = play([first, second], 8, [(2, 0), (3, 0)], seq)
    second.driver.refresh()
    wait_for("the reloaded page", second._started)
    expect_same(wait_seq(o.players(), seq), "after a cut socket and a reload")
    seq = play([first, second], 8, [(4, 0)], seq)
    # A page resized during the game, and the watcher's loaded afresh at that size.
    for player in (first, watcher):
        player.resize(560, 420)
    watcher.driver.refresh()
    wait_for("the watcher's reloaded page", watcher._started)
    expect_same(wait_seq([first, watcher], seq), "between a resized page and one loaded at its size")
    # A click sent to a server that is stopped, then killed: the page sends it
    # again to the server started again, which has every dot before it.
    o.server.send_signal(signal.SIGSTOP)
    second.click(*cell_point(second, 8, 5, 0))
    wait_for("the click sent and not acknowledged", lambda: info(second)["pending"] == seq + 1)
    o.stop_server(signal.SIGKILL)
    wait_for("the pages to say they are disconnected", lambda: all(
        "reconnecting" in status(p) for p in o.players()), timeout=10)
    o.start_server()
    wait_seq(o.players(), seq + 1, boards=False)
    seq = play([first, second], 8, [(6, 0), (7, 0)], seq + 1)
    expect_same(wait_seq([first, watcher], seq), "after the server was killed and started again")
    first.keys("alt+o", "l")
    wait_for("the friend's page to show the seat left", lambda: "has left" in status(second))


ONLINE_CHECKS = [
    ("a round through the server, watched, then New and Size", check_round, ("online",)),
    ("reconnection, a reload, a resize, a server killed and restarted", check_reconnection, ("online",)),
]

