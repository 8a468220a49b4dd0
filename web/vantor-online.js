// vantor-online.js: the page's online game. "Play a friend..." makes a room on
// the Vantor server the page came from; the invitation link gives its second
// seat to whoever opens it first, and lets anyone after that watch. The game on
// the screen is the page's own Human <> Human game, fed with the actions the
// server has stored and relayed, in the server's order; this page's clicks and
// commands are only sent, and appear when the server sends them back.
//
// The connection comes back by itself, with a growing pause between tries: the
// seat's token is kept in the browser, so a reload or a phone that slept gets
// the seat back, and the action that was sent but not acknowledged is sent
// again with the same number, which the server never plays twice.
"use strict";

// `shell` is what the page lends: its calls into the game, its queue, its
// drawing, its resources' ids, the menu bar, a local game after Leave, and
// boardChanged, told when the board may have another size (a phone's page then
// chooses its magnification again).
function createVantorOnline(shell) {
  const { call, enqueue, present, ids } = shell;
  const IDM_ONLINE_PLAY = ids.IDM_ONLINE_PLAY;
  const IDM_ONLINE_LEAVE = ids.IDM_ONLINE_LEAVE;
  const STORE = "vantor.online.";
  const RETRY_FIRST_MS = 500;
  const RETRY_MOST_MS = 8000;
  const PROBE_MS = 10000; // a socket that answers nothing for this long is dead
  const NOTICE_MS = 4000;
  const ACTIONS = { move: 1, new: 2, reset: 3, size: 4, level: 5 };

  let room = null; // the room's id while the page plays online
  let claim = null; // the one-time claim of the second seat, from the invitation
  let creating = null; // {size, level, token, claim} until the server has made the room
  let socket = null;
  let connected = false;
  let retries = 0;
  let retryTimer = null;
  let lost = false; // the connection dropped, and has not come back yet
  let probeTimer = null;
  let seat = -1; // 0 first player, 1 second player, -1 watching
  let seq = 0; // the last action of the room that this page has played
  let start = null; // {size, level} the room was made with
  let played = []; // every action of the room, in order
  let seats = [];
  let pending = null; // {seq, act, sent}: this page's action, not yet acknowledged
  let notice = null; // a refusal or an event shown for a while
  let noticeTimer = null;
  let invited = null; // the invitation link, while its panel is shown

  const status = document.createElement("div");
  status.id = "online-status";
  status.hidden = true;
  status.setAttribute("role", "status");
  shell.menubar.append(status);

  // ---- What the page shows ----------------------------------------------------
  function playerName(player) {
    if (player === seat) return "you";
    if (seat >= 0) return "your friend";
    return player === 0 ? "the first player" : "the second player";
  }

  function turnText() {
    const turn = call("vantorOnlineTurn");
    if (turn < 0) return "The round is over.";
    if (turn === seat) return "Your turn.";
    if (seat >= 0) return "Your friend's turn.";
    return (turn === 0 ? "The first" : "The second") + " player's turn.";
  }

  function seatsText() {
    if (!seats.length) return "";
    const others = seat >= 0 ? [1 - seat] : [0, 1];
    return others
      .map((player) => {
        const s = seats[player] || {};
        const who = playerName(player);
        const name = who[0].toUpperCase() + who.slice(1);
        if (s.left) return name + " has left.";
        if (!s.taken) return player === 1 && seat === 0 ? "Waiting for your friend to open the link." : "";
        return name + (s.connected ? " is connected." : " is not connected.");
      })
      .filter(Boolean)
      .join(" ");
  }

  function show() {
    status.hidden = room === null && !notice;
    if (room === null) {
      status.textContent = notice || "";
      return;
    }
    let text;
    if (!connected) {
      text = lost ? "Disconnected: reconnecting..." : "Connecting...";
    } else if (creating || !start) {
      text = "Connecting...";
    } else {
      text = (seat < 0 ? "Watching. " : "") + turnText() + " " + seatsText();
    }
    status.textContent = notice || text; // a refusal's reason first, for a while
    status.dataset.connection = connected ? "connected" : lost ? "reconnecting" : "connecting";
    status.dataset.seat = seat;
  }

  function say(text) {
    notice = text;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => {
      notice = null;
      show();
    }, NOTICE_MS);
    show();
  }

  // Type is not offered online: both seats play Human <> Human.
  function greyOnlineItems() {
    document.querySelectorAll("#menubar [data-command]").forEach((item) => {
      const id = Number(item.dataset.command);
      const off = (room !== null && id === ids.IDM_TYPE) || (room === null && id === IDM_ONLINE_LEAVE);
      item.classList.toggle("disabled", off);
      item.setAttribute("aria-disabled", off ? "true" : "false");
    });
  }

  // ---- The invitation -----------------------------------------------------------
  const invitation = document.createElement("div");
  invitation.id = "online-invitation";
  invitation.hidden = true;
  invitation.innerHTML =
    '<div class="caption"><span class="title">Play a friend</span>' +
    '<button type="button" class="close" aria-label="Close">\u00d7</button></div>' +
    '<div class="body"><p>Send this link to your friend. Whoever opens it first plays' +
    " the second seat; anyone after that watches.</p>" +
    '<input type="text" readonly aria-label="Invitation link">' +
    '<p class="buttons"><button type="button" class="copy">Copy</button>' +
    '<button type="button" class="share" hidden>Share...</button></p></div>';
  document.body.append(invitation);
  const link = invitation.querySelector("input");
  invitation.querySelector(".close").addEventListener("click", () => (invitation.hidden = true));
  invitation.querySelector(".copy").addEventListener("click", async () => {
    link.select();
    try {
      await navigator.clipboard.writeText(link.value);
    } catch (error) {
      document.execCommand("copy"); // older browsers, and pages not served over https
    }
    say("The link is copied.");
  });
  const share = invitation.querySelector(".share");
  share.hidden = typeof navigator.share !== "function";
  share.addEventListener("click", () => {
    navigator.share({ title: document.title, text: "Play Vantor with me", url: link.value }).catch(() => {});
  });

  function showInvitation(secondClaim) {
    invited = location.origin + location.pathname + "#room=" + room + "&claim=" + secondClaim;
    link.value = invited;
    invitation.hidden = false;
  }

  // ---- The game on the page -----------------------------------------------------
  function apply(act) {
    if (!Array.isArray(act) || !(act[0] in ACTIONS)) return false;
    const first = Number(act[1]) | 0;
    const second = Number(act[2]) | 0;
    return call("vantorOnlineAct", ACTIONS[act[0]], first, second) === 1;
  }

  // The whole game again from the room's start and its history: after a state
  // from the server, and on a canvas of a new size.
  function rebuild() {
    if (!start) return;
    if (!call("vantorOnlineStart", start.size, start.level)) {
      say("This game cannot be shown.");
      return;
    }
    played.forEach(apply);
    present();
    if (shell.boardChanged) shell.boardChanged();
  }

  function sameAction(a, b) {
    return JSON.stringify(a) === JSON.stringify(b);
  }

  // ---- The connection -------------------------------------------------------------
  function send(message) {
    if (!socket || socket.readyState !== WebSocket.OPEN) return false;
    socket.send(JSON.stringify(message));
    return true;
  }

  function connect() {
    clearTimeout(retryTimer);
    retryTimer = null;
    if (room === null || socket) return;
    const scheme = location.protocol === "https:" ? "wss:" : "ws:";
    const ws = new WebSocket(scheme + "//" + location.host + "/ws?room=" + room);
    socket = ws;
    answerWithin(ws); // the answer to the introduction, below
    ws.onopen = () => {
      connected = true;
      lost = false;
      retries = 0;
      introduce();
      show();
    };
    ws.onmessage = (event) => {
      clearTimeout(probeTimer);
      let message;
      try {
        message = JSON.parse(event.data);
      } catch (error) {
        return;
      }
      enqueue(() => receive(message));
    };
    ws.onclose = () => lose(ws);
    ws.onerror = () => {}; // a close follows
  }

  // The socket is gone, or silent for too long: nothing more is taken from it,
  // and a new one is tried after a pause.
  function lose(ws) {
    if (socket !== ws) return;
    ws.onmessage = null;
    socket = null;
    connected = false;
    clearTimeout(probeTimer);
    if (pending) pending.sent = false;
    lost = room !== null;
    if (room !== null) retryLater();
    show();
  }

  function retryLater() {
    const delay = Math.min(RETRY_MOST_MS, RETRY_FIRST_MS * 2 ** retries) * (0.75 + Math.random() / 2);
    retries++;
    retryTimer = setTimeout(connect, delay);
  }

  function disconnect() {
    const ws = socket;
    socket = null;
    connected = false;
    clearTimeout(retryTimer);
    clearTimeout(probeTimer);
    retryTimer = null;
    if (ws) ws.close(1000);
  }

  // The first message of each connection: make the room, take the seat back,
  // claim the second seat, or watch.
  function introduce() {
    const kept = stored();
    if (creating) send({ type: "create", ...creating });
    else if (kept) send({ type: "hello", token: kept.token });
    else if (claim) send({ type: "join", claim });
    else send({ type: "watch" });
  }

  // Back on the screen, or back on the network: try at once rather than wait out
  // the pause, and make sure a socket that looks open still answers.
  function wake() {
    if (room === null) return;
    if (!socket) {
      retries = 0;
      connect();
    } else if (connected) {
      answerWithin(socket);
      send({ type: "sync" });
    }
  }

  // A socket that says nothing for a while is given up, without waiting for a
  // closing handshake that a peer that is gone never answers.
  function answerWithin(ws) {
    clearTimeout(probeTimer);
    probeTimer = setTimeout(() => {
      lose(ws);
      ws.close();
    }, PROBE_MS);
  }
  window.addEventListener("online", wake);
  window.addEventListener("pageshow", wake);
  document.addEventListener("visibilitychange", () => {
    if (document.visibilityState === "visible") wake();
  });

  // ---- The seat, kept in the browser -----------------------------------------------
  function stored() {
    try {
      return JSON.parse(localStorage.getItem(STORE + room) || "null");
    } catch (error) {
      return null;
    }
  }

  function store(value) {
    try {
      if (value) localStorage.setItem(STORE + room, JSON.stringify(value));
      else localStorage.removeItem(STORE + room);
    } catch (error) {
      // No storage: the seat lasts as long as the page.
    }
  }

  // ---- What the server says -----------------------------------------------------------
  function receive(message) {
    switch (message.type) {
      case "seat":
        if (message.room !== room) return;
        creating = null;
        claim = null;
        seat = message.seat;
        store({ seat: message.seat, token: message.token, claim: message.claim });
        window.history.replaceState(null, "", "#room=" + room);
        if (message.claim) showInvitation(message.claim);
        break;
      case "state":
        takeState(message);
        break;
      case "act":
        takeAction(message);
        break;
      case "presence":
        if (seat >= 0 && seats[1 - seat] && message.seats[1 - seat].left && !seats[1 - seat].left) {
          say("Your friend has left.");
        }
        seats = message.seats;
        if (seat === 0 && seats[1] && seats[1].taken) invitation.hidden = true;
        break;
      case "error":
        refused(message);
        break;
    }
    show();
  }

  function takeState(state) {
    if (state.room !== room) return;
    creating = null;
    seq = state.seq;
    start = state.start;
    played = state.history;
    seats = state.seats;
    if (seat >= 0 && state.you !== seat) store(null); // the seat is no longer ours
    seat = state.you;
    if (claim) {
      claim = null;
      window.history.replaceState(null, "", "#room=" + room);
    }
    rebuild();
    // The maker back after a reload, still waiting for the friend: the link again.
    if (seat === 0 && invited && !(seats[1] && seats[1].taken)) invitation.hidden = false;
    if (pending) {
      if (pending.seq <= seq && sameAction(played[pending.seq - 1], pending.act)) pending = null;
      else if (pending.seq === seq + 1 && !pending.sent && seat >= 0) pending.sent = send(pendingMessage());
      else pending = null;
    }
  }

  function takeAction(message) {
    if (message.seq === seq + 1) {
      seq = message.seq;
      played.push(message.act);
      if (!apply(message.act)) rebuild();
      present();
      if (message.act[0] !== "move" && shell.boardChanged) shell.boardChanged();
      if (pending && pending.seq === message.seq) pending = null;
    } else if (message.seq > seq + 1) {
      send({ type: "sync" }); // some were missed: the whole state comes back
    } else if (pending && pending.seq === message.seq) {
      pending = null; // the answer to a resend of an action already played
    }
  }

  const REASONS = {
    "not-your-turn": "Not your turn: wait for your friend's dot.",
    "cell-taken": "That cell already holds a dot.",
    "off-board": "That cell is not on the board.",
    "not-seated": "You are watching: your clicks play nothing.",
    "bad-token": "Your seat in this game is gone; you are watching.",
    stale: "Your friend acted first; yours was not played.",
    "no-room": "There is no such game.",
    "room-exists": "That game exists already.",
    "rate-limited": "Too fast: that was not played.",
    full: "The server is full; try again later.",
  };

  function refused(error) {
    say(REASONS[error.code] || "The server refused: " + (error.message || error.code));
    if (error.code === "bad-token" || error.code === "no-room") store(null);
    if (error.code === "no-room" || error.code === "room-exists" || error.code === "full") {
      const ended = room;
      stop();
      if (ended) say(REASONS[error.code]);
      return;
    }
    pending = null;
  }

  function pendingMessage() {
    return { type: "act", seq: pending.seq, act: pending.act };
  }

  // ---- This page's own actions ------------------------------------------------------
  // Returns the reason an action cannot be sent now, or null once it is sent.
  function act(action) {
    if (seat < 0) return REASONS["not-seated"];
    if (!connected) return "Disconnected: wait until the page has reconnected.";
    if (pending) return "Waiting for the server to take your last action.";
    pending = { seq: seq + 1, act: action, sent: false };
    pending.sent = send(pendingMessage());
    return null;
  }

  function tryAct(action) {
    const reason = act(action);
    if (reason) say(reason);
  }

  // A click on the board, once the page has beeped.
  function click(x, y) {
    const turn = call("vantorOnlineTurn");
    if (seat < 0) return say(REASONS["not-seated"]);
    if (turn < 0) return; // a full board takes no dot, as at one screen
    if (turn !== seat) return say(REASONS["not-your-turn"]);
    const cell = call("vantorOnlineCellAt", x, y);
    if (cell < 0) return; // no cell, or one that holds a dot: nothing, as at one screen
    tryAct(["move", cell >> 8, cell & 255]);
  }

  function begin(newRoom) {
    room = newRoom;
    seat = -1;
    seq = 0;
    start = null;
    played = [];
    seats = [];
    pending = null;
    retries = 0;
    lost = false;
    greyOnlineItems();
    connect();
    show();
  }

  function stop() {
    disconnect();
    room = null;
    claim = null;
    creating = null;
    start = null;
    pending = null;
    invitation.hidden = true;
    window.history.replaceState(null, "", location.pathname + location.search);
    greyOnlineItems();
    show();
  }

  function randomHex(bytes) {
    const values = crypto.getRandomValues(new Uint8Array(bytes));
    return Array.from(values, (b) => b.toString(16).padStart(2, "0")).join("");
  }

  function playFriend() {
    if (room !== null) giveUp();
    // The page chooses its seat's token and the claim, so that a create sent
    // again after a lost answer takes the same seat back.
    creating = {
      size: call("vantorSettingsSize"),
      level: call("vantorSettingsLevel"),
      token: randomHex(32),
      claim: randomHex(32),
    };
    begin(randomHex(16));
    window.history.replaceState(null, "", "#room=" + room);
  }

  // Leave gives the seat up; the page goes back to a game of its own settings.
  function giveUp() {
    send({ type: "leave" });
    store(null);
    stop();
  }

  function leave() {
    if (room === null) return undefined;
    giveUp();
    return shell.newLocalGame();
  }

  // The room in the page's address: #room=ID, with &claim=... in an invitation.
  function fromAddress() {
    const fields = new URLSearchParams(location.hash.slice(1));
    const id = fields.get("room");
    if (!id || !/^[0-9a-f]{32}$/.test(id)) return false;
    const secondClaim = fields.get("claim");
    claim = secondClaim && /^[0-9a-f]{64}$/.test(secondClaim) ? secondClaim : null;
    begin(id);
    const kept = stored();
    if (kept && kept.seat === 0 && kept.claim) {
      invited = location.origin + location.pathname + "#room=" + room + "&claim=" + kept.claim;
      link.value = invited;
    }
    return true;
  }

  // A link of another room opened in this page: that room's game instead. The
  // seat of the room left behind stays in the browser, for its link.
  window.addEventListener("hashchange", () =>
    enqueue(() => {
      const fields = new URLSearchParams(location.hash.slice(1));
      if (fields.get("room") === room) return;
      if (room !== null) stop();
      if (!fromAddress()) shell.newLocalGame();
    })
  );

  greyOnlineItems();

  return {
    active: () => room !== null,
    // Menu commands: true when the online game took it.
    command(id) {
      if (id === IDM_ONLINE_PLAY) {
        enqueue(playFriend);
        return true;
      }
      if (id === IDM_ONLINE_LEAVE) {
        enqueue(leave);
        return true;
      }
      if (room === null) return false;
      if (id === ids.IDM_NEW) tryAct(["new"]);
      else if (id === ids.IDM_RESET) tryAct(["reset"]);
      else if (id !== ids.IDM_TYPE) return false;
      return true;
    },
    // OK in the Size or Level dialog, with the radio chosen: true when it became
    // an action of the online game.
    dialogOk(dialogId, radioId) {
      if (room === null) return false;
      if (dialogId === ids.IDD_SIZE) tryAct(["size", call("vantorRadioSize", radioId)]);
      else if (dialogId === ids.IDD_LEVEL) tryAct(["level", call("vantorRadioLevel", radioId)]);
      else return false;
      return true;
    },
    click,
    rebuild,
    // Exit: the connection closes for good; the seat stays in the browser for a reload.
    close() {
      disconnect();
      room = null;
      invitation.hidden = true;
    },
    // Called once the page's game runs: a room in the address is joined.
    start: fromAddress,
    // For the end-to-end checks: the socket is cut as a network failure would.
    cut() {
      if (socket) socket.close(4000, "cut");
    },
    info: () => ({ room, seat, seq, connected, pending: pending && pending.seq, invitation: invited, seats }),
  };
}
