#!/usr/bin/python3
"""Checks of vantor-server over its real sockets on 127.0.0.1: play and its
refusals, seats and tokens, bad input, the limits, storage before
acknowledgement, SIGKILL and restart, SIGTERM's 1001, idle rooms, the page's
files. Each check starts its own server and stops it by its PID. Prints
"N passed, M failed".

    test_server.py --server build/native/server/vantor-server
"""
import argparse, asyncio, gzip, json, os, secrets, signal, socket, sqlite3, subprocess, sys, tempfile, time
import traceback, urllib.request
import websockets

ARGS = None


class Server:
    """One vantor-server process with its own database, stopped by its PID."""

    def __init__(self, db, *extra):
        self.db = db
        self.proc = subprocess.Popen([ARGS.server, "--host", "127.0.0.1", "--port", "0", "--site", ARGS.site,
                                      "--db", db, *extra], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        assert "listening on http://127.0.0.1:" in line, f"server did not start: {line!r} {self.proc.stderr.read()}"
        self.port = int(line.split(":")[2].split("/")[0])

    def url(self, room):
        return f"ws://127.0.0.1:{self.port}/ws?room={room}"

    def stop(self, sig=signal.SIGTERM):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        return self.proc.wait(timeout=10)


class Page:
    """A WebSocket client that keeps what it receives, by type."""

    def __init__(self, ws):
        self.ws = ws

    @classmethod
    async def open(cls, server, room):
        return cls(await websockets.connect(server.url(room), max_size=None))

    async def send(self, **message):
        await self.ws.send(json.dumps(message))

    async def get(self, kind, timeout=5, until=lambda message: True):
        """The next message of that type (for which `until` holds); others before it are skipped."""
        while True:
            message = json.loads(await asyncio.wait_for(self.ws.recv(), timeout))
            if message["type"] == kind and until(message):
                return message

    async def ask(self, kind, reply="state", **message):
        await self.send(type=kind, **message)
        return await self.get(reply)

    async def act(self, seq, *action):
        """The answer to an action: its `act` (others' actions passing by are skipped) or an error."""
        await self.send(type="act", seq=seq, act=list(action))
        while True:
            message = json.loads(await asyncio.wait_for(self.ws.recv(), 5))
            if message["type"] == "error" or (message["type"] == "act" and message["seq"] == seq):
                return message

    async def closed_with(self, timeout=5):
        """The close code, once the server closes; the error codes received meanwhile go to `errors`."""
        self.errors = []
        try:
            while True:
                message = json.loads(await asyncio.wait_for(self.ws.recv(), timeout))
                if message["type"] == "error":
                    self.errors.append(message["code"])
        except websockets.ConnectionClosed as e:
            return e.rcvd.code if e.rcvd else None


def room_id():
    return secrets.token_hex(16)


async def make_room(server, size=6, level=1):
    """A room with its maker (seat 0) and a friend (seat 1): (room, maker, friend, seat0, seat1)."""
    room = room_id()
    maker = await Page.open(server, room)
    await maker.send(type="create", size=size, level=level)
    seat0 = await maker.get("seat")
    await maker.get("state")
    friend = await Page.open(server, room)
    await friend.send(type="join", claim=seat0["claim"])
    seat1 = await friend.get("seat")
    state = await friend.get("state")
    assert state["you"] == 1 and state["seats"][1]["taken"], state
    return room, maker, friend, seat0, seat1


async def check_play_and_refusals(server):
    room, maker, friend, seat0, _ = await make_room(server)
    watcher = await Page.open(server, room)
    watching = await watcher.ask("join", claim=seat0["claim"])  # the used invitation only watches
    assert watching["you"] == -1 and watching["turn"] == 0
    ack = await maker.act(1, "move", 2, 3)
    assert ack == {"type": "act", "seq": 1, "act": ["move", 2, 3], "by": 0}, ack
    assert (await friend.get("act"))["seq"] == 1 and (await watcher.get("act"))["seq"] == 1

    async def refused(page, code, seq, *action):
        error = await page.act(seq, *action)
        assert error["type"] == "error" and error["code"] == code, (code, error)
        state = await page.get("state")
        assert state["seq"] == 1 and state["history"] == [["move", 2, 3]] and state["turn"] == 1, state

    await refused(maker, "not-your-turn", 2, "move", 0, 0)
    await refused(friend, "cell-taken", 2, "move", 2, 3)
    await refused(friend, "off-board", 2, "move", 6, 0)
    await refused(friend, "off-board", 2, "move", -1, 0)
    await refused(friend, "stale", 5, "move", 0, 0)
    await refused(friend, "stale", 1, "move", 0, 0)  # taken by another seat's action
    await refused(watcher, "not-seated", 2, "move", 0, 0)
    await refused(friend, "bad-action", 2, "move", 1.5, 0)
    await refused(friend, "bad-action", 2, "size", 7)
    # A resend of a played move is acknowledged again and played once.
    assert (await maker.act(1, "move", 2, 3))["seq"] == 1
    assert (await maker.ask("sync"))["seq"] == 1
    # Either seat acts on the shared game at any turn: Size, then a whole round.
    assert (await maker.act(2, "size", 8))["act"] == ["size", 8]
    seq = 2
    for i in range(64):
        seq += 1
        ack = await (maker if i % 2 == 0 else friend).act(seq, "move", i % 8, i // 8)
        assert ack["type"] == "act" and ack["seq"] == seq, ack
    await refused_after_round(friend, seq)
    state = await watcher.ask("sync")
    assert state["seq"] == seq and state["size"] == 8 and len(state["history"]) == seq, state
    assert (await friend.act(seq + 1, "new"))["seq"] == seq + 1


async def refused_after_round(page, seq):
    error = await page.act(seq + 1, "move", 0, 0)
    assert error["code"] in ("cell-taken", "not-your-turn"), error
    await page.get("state")


async def check_tokens(server):
    room, maker, friend, seat0, seat1 = await make_room(server)
    other, other_maker, *_ = await make_room(server)
    stranger = await Page.open(server, other)
    await stranger.send(type="hello", token=seat0["token"])  # a token of another room
    assert (await stranger.get("error"))["code"] == "bad-token"
    assert (await stranger.get("state"))["you"] == -1
    assert (await stranger.act(1, "move", 0, 0))["code"] == "not-seated"
    again = await Page.open(server, room)
    assert (await again.ask("hello", token=seat1["token"]))["you"] == 1
    await friend.send(type="leave")
    assert (await friend.get("state"))["you"] == -1
    await maker.get("presence", until=lambda m: m["seats"][1] == {"taken": True, "connected": False, "left": True})
    reused = await Page.open(server, room)
    await reused.send(type="hello", token=seat1["token"])
    assert (await reused.get("error"))["code"] == "bad-token"
    assert (await again.act(1, "move", 0, 0))["code"] == "not-seated"
    # A create sent again because its answer was lost takes the maker's seat back; another token does not.
    mine, room = dict(size=8, level=2, token=secrets.token_hex(32), claim=secrets.token_hex(32)), room_id()
    lost = await Page.open(server, room)
    await lost.send(type="create", **mine)
    await lost.ws.close()
    retry = await Page.open(server, room)
    assert (await retry.ask("create", reply="seat", **mine))["token"] == mine["token"]
    assert (await retry.get("state"))["you"] == 0
    thief = await Page.open(server, room)
    assert (await thief.ask("create", reply="error", **dict(mine, token="0" * 64)))["code"] == "room-exists"


async def check_bad_input(server):
    room, maker, friend, *_ = await make_room(server)
    await maker.act(1, "move", 0, 0)
    before = await maker.ask("sync")
    for raw, code in [("{", "malformed"), ("[1]", "malformed"), ('{"type": 3}', "malformed"),
                      ('{"type": "shout"}', "unknown-type"), ('{"type": "create", "size": 7, "level": 1}', "malformed"),
                      ('{"type": "act", "seq": "2", "act": ["move", 1, 1]}', "malformed"),
                      (b"\x00\x01", "malformed"), ("x" * 5000, "too-large"),
                      ('{"type": "create", "size": 6, "level": 1, "token": "AB", "claim": "cd"}', "malformed"),
                      ('{"type": "create", "size": 6, "level": 1}', "room-exists")]:
        await friend.ws.send(raw)
        error = await friend.get("error")
        assert error["code"] == code, (raw[:20], error)
    await friend.ws.send("[" * 100000)
    assert await friend.closed_with() == 1009
    nowhere = await Page.open(server, room_id())
    await nowhere.send(type="hello", token="0" * 64)
    assert (await nowhere.get("error"))["code"] == "no-room"
    try:
        await websockets.connect(f"ws://127.0.0.1:{server.port}/ws?room=../etc")
        raise AssertionError("a bad room id was upgraded")
    except websockets.InvalidStatusCode as e:
        assert e.status_code == 400
    after = await maker.ask("sync")
    assert [after[k] for k in ("seq", "history", "turn")] == [before[k] for k in ("seq", "history", "turn")], after


async def check_flood_and_silence(server):
    room, maker, *_ = await make_room(server)
    flooder = await Page.open(server, room)
    for _ in range(400):
        await flooder.ws.send('{"type": "sync"}')
    assert await flooder.closed_with() == 1008 and set(flooder.errors) == {"rate-limited"}, flooder.errors
    silent = await Page.open(server, room)
    started = time.monotonic()
    assert await silent.closed_with(timeout=10) == 1008 and time.monotonic() - started < 5
    with socket.create_connection(("127.0.0.1", server.port)) as raw:
        raw.settimeout(10)
        assert raw.recv(100) == b""  # a connection that never sends a request is dropped
    assert (await maker.ask("sync"))["seq"] == 0


async def check_limits(server):
    room, maker, friend, *_ = await make_room(server)
    third = await Page.open(server, room)
    await third.send(type="watch")
    assert (await third.get("error"))["code"] == "full"
    extra = await Page.open(server, room_id())
    await extra.send(type="create", size=6, level=1)
    assert (await extra.get("error"))["code"] == "full"  # --max-rooms 1
    try:  # the fifth connection, with --max-connections 4
        urllib.request.urlopen(f"http://127.0.0.1:{server.port}/", timeout=5)
        raise AssertionError("a connection beyond the limit was served")
    except urllib.error.HTTPError as e:
        assert e.code == 503


async def check_durability(db):
    server = Server(db)
    room, maker, friend, seat0, seat1 = await make_room(server)
    reader = sqlite3.connect(f"file:{db}?mode=ro", uri=True)
    for seq in range(1, 21):
        page = maker if seq % 2 else friend
        ack = await page.act(seq, "move", (seq - 1) % 6, (seq - 1) // 6)
        assert ack["seq"] == seq
        # Acknowledged, so stored: a reader of the database sees it already.
        stored = reader.execute("SELECT count(*) FROM actions WHERE room = ?", (room,)).fetchone()[0]
        assert stored >= seq, (seq, stored)
    assert server.stop(signal.SIGKILL) == -signal.SIGKILL
    server = Server(db)
    maker = await Page.open(server, room)
    state = await maker.ask("hello", token=seat0["token"])
    assert state["seq"] == 20 and state["you"] == 0 and state["turn"] == 0, state
    assert state["history"][19] == ["move", 1, 3]
    friend = await Page.open(server, room)
    assert (await friend.ask("hello", token=seat1["token"]))["you"] == 1
    assert (await maker.act(21, "move", 2, 3))["seq"] == 21
    await friend.get("act")
    # SIGTERM: every connection is closed with 1001 and the server stops.
    code, stopped = await asyncio.gather(friend.closed_with(), asyncio.to_thread(server.stop))
    assert code == 1001 and stopped == 0, (code, stopped)
    # A week without activity: the room goes at the next start.
    with sqlite3.connect(db) as con:
        con.execute("UPDATE rooms SET active = active - 8 * 24 * 3600 WHERE id = ?", (room,))
    server = Server(db)
    late = await Page.open(server, room)
    await late.send(type="hello", token=seat0["token"])
    assert (await late.get("error"))["code"] == "no-room"
    server.stop()


def check_files(server):
    def get(path, encoding):
        request = urllib.request.Request(f"http://127.0.0.1:{server.port}{path}", headers={"Accept-Encoding": encoding})
        try:
            with urllib.request.urlopen(request, timeout=5) as r:
                return r.status, r.headers.get("Content-Encoding"), r.read()
        except urllib.error.HTTPError as e:
            return e.code, None, b""

    with open(os.path.join(ARGS.site, "index.html"), "rb") as f:
        page = f.read()
    status, encoding, body = get("/", "gzip, deflate")
    assert status == 200 and encoding == "gzip" and gzip.decompress(body) == page
    assert get("/index.html", "identity") == (200, None, page)
    assert get("/index.html", "gzip;q=0") == (200, None, page)
    for path in ["/../index.html", "/%2e%2e/etc/passwd", "/.hidden", "/nothing.js", "//etc/passwd"]:
        assert get(path, "gzip")[0] == 404, path


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    ARGS = parser.parse_args()
    results = [0, 0]
    with tempfile.TemporaryDirectory(prefix="vantor-server-") as tmp:
        ARGS.site = os.path.join(tmp, "site")
        os.mkdir(ARGS.site)
        with open(os.path.join(ARGS.site, "index.html"), "w") as f:
            f.write("<!doctype html><title>Vantor</title>" + "<p>a page that compresses</p>" * 40)
        def db():
            return os.path.join(tmp, f"{secrets.token_hex(4)}.sqlite")

        def with_server(check, *extra):
            async def run():
                server = Server(db(), *extra)
                try:
                    await check(server)
                finally:
                    code = server.stop()
                assert code == 0, f"SIGTERM stopped the server with {code}: {server.proc.stderr.read()[-2000:]}"
            return run()

        checks = [
            ("play and refusals", lambda: with_server(check_play_and_refusals)),
            ("tokens and seats", lambda: with_server(check_tokens)),
            ("bad input changes nothing", lambda: with_server(check_bad_input)),
            ("floods and silent clients", lambda: with_server(check_flood_and_silence, "--rate", "20", "--quiet", "2")),
            ("limits", lambda: with_server(check_limits, "--max-rooms", "1", "--max-per-room", "2",
                                           "--max-connections", "4")),
            ("stored before acknowledged, SIGKILL, SIGTERM, idle", lambda: check_durability(db())),
            ("the page's files", lambda: with_server(lambda s: asyncio.to_thread(check_files, s))),
        ]
        for name, check in checks:
            started = time.monotonic()
            try:
                asyncio.run(asyncio.wait_for(check(), 40))
                results[0] += 1
                print(f"ok    {name} ({time.monotonic() - started:.1f} s)")
            except Exception as e:  # any failure of a check is reported, and the next one runs
                results[1] += 1
                where = traceback.extract_tb(e.__traceback__)[-1]
                print(f"FAIL  {name}: {type(e).__name__}: {e!r} (line {where.lineno}: {where.line})")
    print(f"{results[0]} passed, {results[1]} failed")
    return 1 if results[1] else 0


if __name__ == "__main__":
    sys.exit(main())
