// vantor-page.js: the browser shell of Vantor. It builds the menu bar and the
// dialogs from vantor.exe's own resources, shows the game's framebuffer on the
// board's canvas, and turns clicks, keys, menu items, dialogs and resizes into
// calls on the game (vantor.js), one at a time, as a window's messages are.
"use strict";

(function () {
  const resources = VANTOR_RESOURCES;
  const ids = resources.ids;
  // The backdrops, the first level's first: the game reads them as BMP files.
  const PICTURES = ["terre", "mars", "saturne", "jupiter"];
  // Dialog units to pixels: the base units of an 8-point dialog font.
  const UNIT_X = 6 / 4;
  const UNIT_Y = 13 / 8;
  // The numbers and captions on the board: a bold font like the system font, at
  // the largest size up to 13 pixels whose numbers fit the panel's rectangles
  // (25 by 15 pixels for up to three digits), which are restored before each
  // number is drawn again: wider digits would leave traces of the old ones.
  const BOARD_FONT_FAMILY = 'Tahoma, Verdana, "DejaVu Sans", sans-serif';
  const TEXT_ROWS = 15;
  const WIDEST_NUMBER = 24;

  const menubar = document.getElementById("menubar");
  const area = document.getElementById("board-area");
  const canvas = document.getElementById("board");
  const overlay = document.getElementById("board-text"); // the texts, magnified
  const context = canvas.getContext("2d");

  let game = null; // the WebAssembly module once it has started
  let ended = false; // after Exit: nothing more runs
  let openDialog = null; // the modal dialog on the page, if any
  let online = null; // the online game (vantor-online.js), once the game runs

  // ---- Calls into the game, one at a time ----------------------------------
  // A computer round gives the page its turn between moves; meanwhile clicks,
  // keys and resizes wait their turn, as messages wait in a window's queue.
  let queue = Promise.resolve();

  function enqueue(task) {
    queue = queue.then(() => (ended ? undefined : task())).catch((error) => console.error(error));
    return queue;
  }

  function call(name, ...args) {
    return game.ccall(name, "number", args.map(() => "number"), args);
  }

  // Timings kept for the figures of the README, in milliseconds.
  let firstShown = null; // the first board on the screen, from the page's start
  let lastAnswer = null; // from the last click on the board to its answer on the screen
  let lastCall = null; // the last call that may play: its length, and its pauses

  // A call that may play computer moves, and so give the page its turn.
  async function callPlaying(name, ...args) {
    const started = performance.now();
    lastShown = started; // a call shows its moves from its second frame on
    const paused = call("vantorPauseMilliseconds");
    await game.ccall(name, null, args.map(() => "number"), args, { async: true });
    present();
    // A new board size (after level 4) may want another scale.
    if (name !== "vantorResize" && touchScreen.matches) resize();
    lastCall = { name, milliseconds: performance.now() - started, paused: call("vantorPauseMilliseconds") - paused };
  }

  // ---- The board's canvas ------------------------------------------------------
  let image = null;

  // Copies the game's framebuffer to the canvas. Its 0x00BBGGRR pixels are the
  // bytes R, G, B, 0 in memory: ImageData's order, with the alpha set opaque.
  function present() {
    const width = call("vantorWidth");
    const height = call("vantorHeight");
    const pixels = call("vantorPixels");
    if (canvas.width !== width) canvas.width = width;
    if (canvas.height !== height) canvas.height = height;
    // Each game pixel covers scale x scale device pixels.
    const cssWidth = (width * shown.scale) / shown.ratio + "px";
    const cssHeight = (height * shown.scale) / shown.ratio + "px";
    if (canvas.style.width !== cssWidth) canvas.style.width = cssWidth;
    if (canvas.style.height !== cssHeight) canvas.style.height = cssHeight;
    if (!pixels || width === 0 || height === 0) return;
    if (!image || image.width !== width || image.height !== height) image = context.createImageData(width, height);
    image.data.set(game.HEAPU8.subarray(pixels, pixels + width * height * 4));
    const words = new Uint32Array(image.data.buffer);
    for (let i = 0; i < words.length; i++) words[i] |= 0xff000000;
    context.putImageData(image, 0, 0);
    overlay.hidden = shown.scale === 1;
    if (shown.scale > 1) {
      if (overlay.width !== width * shown.scale) overlay.width = width * shown.scale;
      if (overlay.height !== height * shown.scale) overlay.height = height * shown.scale;
      overlay.style.width = cssWidth;
      overlay.style.height = cssHeight;
      boardText.paintAbove(pixels, shown.scale);
    }
    if (firstShown === null) firstShown = performance.now();
  }

  // Between computer moves, at most once a frame: the board is shown and the
  // browser gets its turn to paint it. The turn is a message round trip, not a
  // timer, so a round is not slowed down by timer clamping.
  const FRAME_MS = 15;
  let lastShown = 0;
  const turn = new MessageChannel();
  let resumeAfterTurn = null;
  turn.port1.onmessage = () => resumeAfterTurn();

  function frameIsDue() {
    return performance.now() - lastShown >= FRAME_MS;
  }

  function showBoard() {
    lastShown = performance.now();
    present();
    return new Promise((resolve) => {
      resumeAfterTurn = resolve;
      turn.port2.postMessage(0);
    });
  }

  // ---- Text in the page's font ---------------------------------------------
  // The game draws its numbers and captions through these: each text becomes a
  // mask of the pixels the font covers at least half, drawn in the colour.
  const boardText = (function () {
    const scratch = document.createElement("canvas");
    const pen = scratch.getContext("2d", { willReadFrequently: true });
    const masks = new Map();
    let BOARD_FONT = "";
    let fontSize = 13;
    for (let size = 13; size >= 8; size--) {
      fontSize = size;
      BOARD_FONT = "bold " + size + "px " + BOARD_FONT_FAMILY;
      pen.font = BOARD_FONT;
      if (pen.measureText("888").width <= WIDEST_NUMBER) break;
    }

    function mask(text) {
      let found = masks.get(text);
      if (found) return found;
      pen.font = BOARD_FONT;
      const width = Math.max(1, Math.ceil(pen.measureText(text).width) + 2);
      scratch.width = width;
      scratch.height = TEXT_ROWS;
      pen.font = BOARD_FONT;
      pen.textBaseline = "top";
      pen.fillStyle = "#000";
      pen.fillText(text, 0, 0);
      const alpha = pen.getImageData(0, 0, width, TEXT_ROWS).data;
      const ink = new Uint8Array(width * TEXT_ROWS);
      for (let i = 0; i < ink.length; i++) ink[i] = alpha[4 * i + 3] >= 128 ? 1 : 0;
      found = { width, height: TEXT_ROWS, ink };
      if (masks.size > 2000) masks.clear();
      masks.set(text, found);
      return found;
    }

    // Magnified, the texts are not drawn into the game's pixels but kept for
    // each canvas (by its framebuffer's address) and drawn by the font at the
    // device's resolution over the board, each where the game put it.
    const above = new Map();

    return {
      mask,
      draw(text, x, y, colour, pixels, width, height) {
        if (shown.scale > 1) {
          if (!above.has(pixels)) above.set(pixels, []);
          above.get(pixels).push({ text, x, y, colour });
          return;
        }
        const m = mask(text);
        const target = new Uint32Array(game.HEAPU8.buffer, pixels, width * height);
        for (let row = 0; row < m.height; row++) {
          const ty = y + row;
          if (ty < 0 || ty >= height) continue;
          for (let column = 0; column < m.width; column++) {
            const tx = x + column;
            if (tx >= 0 && tx < width && m.ink[row * m.width + column]) target[ty * width + tx] = colour;
          }
        }
      },
      // The texts whose origin lies in a rectangle the game restored, or all of
      // them when it painted the whole canvas, are gone.
      erase(pixels, left, top, right, bottom) {
        const kept = (above.get(pixels) || []).filter((t) => t.x < left || t.x >= right || t.y < top || t.y >= bottom);
        if (right === Infinity) above.delete(pixels);
        else above.set(pixels, kept);
      },
      paintAbove(pixels, scale) {
        const pen2 = overlay.getContext("2d");
        pen2.clearRect(0, 0, overlay.width, overlay.height);
        pen2.font = "bold " + fontSize * scale + "px " + BOARD_FONT_FAMILY;
        pen2.textBaseline = "top";
        for (const t of above.get(pixels) || []) {
          pen2.fillStyle = "rgb(" + (t.colour & 255) + "," + ((t.colour >> 8) & 255) + "," + ((t.colour >> 16) & 255) + ")";
          pen2.fillText(t.text, t.x * scale, t.y * scale);
        }
      },
      averageCharWidth() {
        pen.font = BOARD_FONT;
        const letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        return Math.round(pen.measureText(letters).width / letters.length);
      },
    };
  })();

  // ---- The player's clicks -----------------------------------------------------
  let audio = null;

  // The short beep of a click on the board. The browser's audio is made at the
  // first beep, which takes a while: that one sounds a moment later rather
  // than hold up the dot and the computer's answer.
  function tone() {
    try {
      audio = audio || new AudioContext();
      const oscillator = audio.createOscillator();
      const volume = audio.createGain();
      oscillator.frequency.value = 880;
      volume.gain.value = 0.05;
      oscillator.connect(volume).connect(audio.destination);
      oscillator.start();
      oscillator.stop(audio.currentTime + 0.08);
    } catch (error) {
      // No sound in this browser: the click still plays.
    }
  }

  function beep() {
    if (audio) tone();
    else setTimeout(tone, 0);
  }

  canvas.addEventListener("mousedown", (event) => {
    if (event.button !== 0 || !game) return;
    if (openPath.length) return; // the click only closes the open menu
    canvas.style.cursor = "crosshair"; // until the mouse moves again
    const bounds = canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - bounds.left) * canvas.width) / bounds.width);
    const y = Math.floor(((event.clientY - bounds.top) * canvas.height) / bounds.height);
    const clicked = event.timeStamp;
    enqueue(async () => {
      if (!call("vantorBoardContains", x, y)) return;
      beep();
      if (online && online.active()) return online.click(x, y); // the server plays it
      await callPlaying("vantorPlaceDot", x, y);
      lastAnswer = performance.now() - clicked;
    });
  });
  canvas.addEventListener("mousemove", () => {
    canvas.style.cursor = "";
  });

  // ---- Sizes and scale ---------------------------------------------------------
  // The game draws in its own pixels, and each of them is shown as a square of
  // `scale` x `scale` device pixels, so the picture stays crisp. With a mouse,
  // the scale is the whole part of the device pixel ratio: the board area is as
  // many game pixels as the window's client area would be. On a touch screen it
  // is the largest that leaves room for the board with the winner marker above
  // it and the level caption below, so the board fills the screen. The board
  // area in game pixels is then what the screen holds at that scale.
  const touchScreen = window.matchMedia("(pointer: coarse)");
  const MARGIN_SIDE = 4; // game pixels each side of the board
  const MARGIN_TOP_BOTTOM = 46; // the marker's rows above, the caption's below
  let shown = { width: 0, height: 0, scale: 1, ratio: 1 };

  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const deviceWidth = Math.floor(area.clientWidth * ratio);
    const deviceHeight = Math.floor(area.clientHeight * ratio);
    let scale = Math.max(1, Math.floor(ratio));
    if (touchScreen.matches) {
      const extent = call("vantorBoardExtent");
      const fits = (k) =>
        Math.floor(deviceWidth / k) >= Math.max(extent + 2 * MARGIN_SIDE, 100) &&
        Math.floor(deviceHeight / k) >= extent + 2 * MARGIN_TOP_BOTTOM;
      scale = 1;
      while (fits(scale + 1)) scale++;
    }
    return { width: Math.floor(deviceWidth / scale), height: Math.floor(deviceHeight / scale), scale, ratio };
  }

  // A new size of the board area, a turned phone, the browser's bars shown or
  // hidden, or a board of another size: the game goes on at the new size, on a
  // new canvas, with every dot of its round. Sizes that come faster than the
  // game can follow are taken at their latest. `again` draws the game anew at
  // the same size (a backdrop has arrived).
  let resizeWaiting = false;

  function resize(again = false) {
    if (resizeWaiting) return;
    resizeWaiting = true;
    enqueue(async () => {
      resizeWaiting = false;
      const wanted = layout();
      const same = wanted.width === shown.width && wanted.height === shown.height;
      if (same && wanted.scale === shown.scale && wanted.ratio === shown.ratio && !again) return;
      const textsInPixels = shown.scale === 1 && wanted.scale === 1; // else kept above, per scale
      shown = wanted;
      if (same && !again && textsInPixels) return present();
      await callPlaying("vantorResize", wanted.width, wanted.height);
      // An online game goes on at the new size: the same position, drawn again.
      if (online && online.active()) online.rebuild();
    });
  }

  // ---- Commands ------------------------------------------------------------------
  function command(id) {
    if (ended || openDialog || !game) return; // while the page loads, the menus do nothing
    if (online && online.command(id)) return;
    switch (id) {
      case ids.IDM_EXIT:
        exit();
        break;
      case ids.IDM_NEW:
      case ids.IDM_RESET:
        enqueue(() => callPlaying("vantorCommand", id));
        break;
      case ids.IDM_ABOUT:
        showDialog(ids.IDD_ABOUT);
        break;
      case ids.IDM_SIZE:
        showDialog(ids.IDD_SIZE);
        break;
      case ids.IDM_LEVEL:
        showDialog(ids.IDD_LEVEL);
        break;
      case ids.IDM_TYPE:
        showDialog(ids.IDD_TYPE);
        break;
    }
  }

  // Exit: the game and its canvas are released, and the page says the game is
  // over; nothing runs any more until the page is loaded again.
  function exit() {
    closeMenus();
    enqueue(() => {
      call("vantorExit");
      ended = true;
      if (online) online.close();
      resizeObserver.disconnect();
      menubar.hidden = true;
      area.hidden = true;
      document.getElementById("game-over").hidden = false;
    });
  }

  // ---- The menu bar ----------------------------------------------------------------
  // Built from the menu resource: "&File" shows F underlined, and Alt+F opens it.
  function mnemonic(text) {
    const at = text.indexOf("&");
    return at >= 0 && at + 1 < text.length ? text[at + 1].toLowerCase() : "";
  }

  function label(text) {
    const span = document.createElement("span");
    const at = text.indexOf("&");
    if (at < 0) {
      span.textContent = text;
      return span;
    }
    const key = document.createElement("u");
    key.textContent = text[at + 1];
    span.append(text.slice(0, at), key, text.slice(at + 2));
    return span;
  }

  let openPath = []; // the open menus, outermost first: {element, items, active}

  function buildMenu(items) {
    const list = document.createElement("ul");
    list.className = "menu";
    list.setAttribute("role", "menu");
    list.hidden = true;
    const entries = items.map((item) => {
      const element = document.createElement("li");
      element.className = "menu-item" + (item.items ? " popup" : "");
      element.setAttribute("role", "menuitem");
      element.dataset.text = item.text;
      if (item.id !== undefined) element.dataset.command = item.id;
      element.append(label(item.text));
      list.append(element);
      const entry = { element, item, submenu: null };
      if (item.items) {
        entry.submenu = buildMenu(item.items);
        element.append(entry.submenu.list);
      }
      element.addEventListener("mouseenter", () => highlight(list, entries.indexOf(entry)));
      element.addEventListener("click", (event) => {
        event.stopPropagation();
        activate(entry);
      });
      return entry;
    });
    return { list, entries };
  }

  const titles = resources.menu.map((popup) => {
    const element = document.createElement("div");
    element.className = "menu-title";
    element.setAttribute("role", "menuitem");
    element.dataset.text = popup.text;
    element.append(label(popup.text));
    const menu = buildMenu(popup.items);
    element.append(menu.list);
    menubar.append(element);
    const title = { element, popup, menu };
    element.addEventListener("mousedown", (event) => {
      if (event.target.closest(".menu")) return;
      event.preventDefault();
      if (openPath.length && openPath[0].title === title) closeMenus();
      else openTitle(title);
    });
    element.addEventListener("mouseenter", () => {
      if (openPath.length && openPath[0].title !== title) openTitle(title);
    });
    return title;
  });

  function openTitle(title) {
    closeMenus();
    title.element.classList.add("open");
    title.menu.list.hidden = false;
    openPath = [{ title, menu: title.menu, active: -1 }];
  }

  function openSubmenu(entry) {
    const level = openPath.findIndex((open) => open.menu.entries.includes(entry));
    openPath.slice(level + 1).forEach((open) => (open.menu.list.hidden = true));
    openPath = openPath.slice(0, level + 1);
    entry.submenu.list.hidden = false;
    openPath.push({ title: openPath[0].title, menu: entry.submenu, active: -1 });
  }

  function highlight(list, index) {
    const level = openPath.findIndex((open) => open.menu.list === list);
    if (level < 0) return;
    const open = openPath[level];
    open.menu.entries.forEach((entry, k) => entry.element.classList.toggle("active", k === index));
    open.active = index;
    const entry = open.menu.entries[index];
    if (entry && entry.submenu && entry.submenu.list.hidden) openSubmenu(entry);
    else if (entry && !entry.submenu) {
      openPath.slice(level + 1).forEach((inner) => (inner.menu.list.hidden = true));
      openPath = openPath.slice(0, level + 1);
    }
  }

  function closeMenus() {
    for (const open of openPath) {
      open.menu.list.hidden = true;
      open.menu.entries.forEach((entry) => entry.element.classList.remove("active"));
    }
    titles.forEach((title) => title.element.classList.remove("open"));
    openPath = [];
  }

  function activate(entry) {
    if (entry.element.classList.contains("disabled")) return;
    if (entry.submenu) {
      openSubmenu(entry);
      return;
    }
    closeMenus();
    command(entry.item.id);
  }

  document.addEventListener("mousedown", (event) => {
    if (!event.target.closest("#menubar")) closeMenus();
  });

  // Keys in an open menu: its items' mnemonics, the arrows, Enter and Esc.
  function menuKey(event) {
    const open = openPath[openPath.length - 1];
    const entries = open.menu.entries;
    const key = event.key.toLowerCase();
    const byMnemonic = entries.find((entry) => mnemonic(entry.item.text) === key);
    if (byMnemonic) {
      highlight(open.menu.list, entries.indexOf(byMnemonic));
      activate(byMnemonic);
    } else if (event.key === "ArrowDown") {
      highlight(open.menu.list, open.active < 0 ? 0 : (open.active + 1) % entries.length);
    } else if (event.key === "ArrowUp") {
      highlight(open.menu.list, open.active <= 0 ? entries.length - 1 : open.active - 1);
    } else if (event.key === "Enter") {
      if (open.active >= 0) activate(entries[open.active]);
    } else if (event.key === "ArrowRight") {
      const entry = entries[open.active];
      if (entry && entry.submenu) {
        activate(entry);
        highlight(entry.submenu.list, 0);
      } else openTitle(titles[(titles.indexOf(openPath[0].title) + 1) % titles.length]);
    } else if (event.key === "ArrowLeft") {
      if (openPath.length > 1) {
        open.menu.list.hidden = true;
        openPath.pop();
      } else openTitle(titles[(titles.indexOf(openPath[0].title) + titles.length - 1) % titles.length]);
    } else if (event.key === "Escape") {
      if (openPath.length > 1) {
        open.menu.list.hidden = true;
        openPath.pop();
      } else closeMenus();
    } else return false;
    return true;
  }

  document.addEventListener("keydown", (event) => {
    if (ended || openDialog || event.ctrlKey || event.metaKey) return;
    let handled = false;
    const accelerator = resources.accelerators.find(
      (a) => a.key === event.key && a.alt === event.altKey
    );
    if (accelerator && event.altKey) {
      closeMenus();
      command(accelerator.command);
      handled = true;
    } else if (event.altKey) {
      const title = titles.find((t) => mnemonic(t.popup.text) === event.key.toLowerCase());
      if (title) {
        openTitle(title);
        handled = true;
      }
    } else if (openPath.length) {
      handled = menuKey(event);
    }
    if (handled) event.preventDefault();
  });

  // ---- Dialogs ---------------------------------------------------------------------
  // A dialog of the resources, modal on the page: the same caption, texts,
  // radios, icon and buttons, placed by the template's dialog units. The dialog
  // ends before its OK reaches the game, as in the Windows program.
  function control(item, dialogId) {
    let element;
    switch (item.kind) {
      case "default":
      case "button":
        element = document.createElement("button");
        element.type = "button";
        element.textContent = item.text;
        if (item.kind === "default") element.className = "default";
        break;
      case "radio": {
        element = document.createElement("label");
        const radio = document.createElement("input");
        radio.type = "radio";
        radio.name = "choice" + dialogId;
        radio.value = item.id;
        radio.tabIndex = -1;
        element.append(radio, item.text);
        break;
      }
      case "group": {
        element = document.createElement("fieldset");
        const legend = document.createElement("legend");
        legend.textContent = item.text;
        element.append(legend);
        break;
      }
      case "icon":
        element = document.createElement("img");
        element.src = "vantor.ico";
        element.alt = "";
        break;
      default:
        element = document.createElement("div");
        element.textContent = item.text;
    }
    element.dataset.id = item.id;
    // Where the dialog's controls stand one under the other (a touch screen),
    // they follow the template's rows, and the buttons come last.
    const button = item.kind === "button" || item.kind === "default";
    element.style.order = String(button ? 100000 + item.x : item.y * 1000 + item.x);
    element.style.left = Math.round(item.x * UNIT_X) + "px";
    element.style.top = Math.round(item.y * UNIT_Y) + "px";
    if (item.kind !== "icon") {
      element.style.width = Math.round(item.width * UNIT_X) + "px";
      element.style.height = Math.round(item.height * UNIT_Y) + "px";
    }
    return element;
  }

  function showDialog(dialogId) {
    closeMenus();
    const template = resources.dialogs[dialogId];
    const dialog = document.createElement("dialog");
    dialog.className = "window";
    dialog.dataset.id = dialogId;
    const caption = document.createElement("div");
    caption.className = "caption";
    const title = document.createElement("span");
    title.className = "title";
    title.textContent = template.caption;
    const close = document.createElement("button");
    close.type = "button";
    close.className = "close";
    close.textContent = "\u00d7";
    close.tabIndex = -1;
    close.setAttribute("aria-label", "Close");
    caption.append(title, close);
    const client = document.createElement("div");
    client.className = "client";
    client.style.width = Math.round(template.width * UNIT_X) + "px";
    client.style.height = Math.round(template.height * UNIT_Y) + "px";
    template.controls.forEach((item) => client.append(control(item, dialogId)));
    dialog.append(caption, client);
    const bounds = area.getBoundingClientRect();
    dialog.style.left = Math.round(bounds.left + template.x * UNIT_X) + "px";
    dialog.style.top = Math.round(bounds.top + template.y * UNIT_Y) + "px";

    const radios = [...client.querySelectorAll("input[type=radio]")];
    const hasSettings = radios.length > 0;
    const ok = client.querySelector("button.default");
    openDialog = dialog;

    let finished = false;
    function finish(accepted) {
      if (finished) return;
      finished = true;
      dialog.close();
      dialog.remove();
      openDialog = null;
      if (!accepted || !hasSettings) return;
      const chosen = radios.find((radio) => radio.checked);
      if (online && online.dialogOk(dialogId, chosen ? Number(chosen.value) : 0)) return;
      enqueue(() => callPlaying("vantorDialogOk", dialogId));
    }
    client.addEventListener("click", (event) => {
      const button = event.target.closest("button");
      if (button) finish(Number(button.dataset.id) === ids.IDOK);
    });
    close.addEventListener("click", () => finish(false));
    dialog.addEventListener("cancel", (event) => {
      event.preventDefault();
      finish(false);
    });
    dialog.addEventListener("keydown", (event) => {
      if (event.key === "Enter") {
        event.preventDefault();
        const focused = document.activeElement;
        finish(!(focused && focused.tagName === "BUTTON" && focused !== ok));
      } else if (event.key === "Escape") {
        event.preventDefault();
        finish(false);
      }
    });
    radios.forEach((radio) => {
      radio.addEventListener("change", () => {
        radios.forEach((other) => (other.tabIndex = other === radio ? 0 : -1));
        enqueue(() => call("vantorDialogClick", dialogId, Number(radio.value)));
      });
    });

    // The pending values are loaded when the dialog opens; the stored radio is
    // the one shown checked, and the keyboard focus starts on OK.
    enqueue(() => {
      // Should the game fail to answer, the dialog is not left marked open.
      let stored = 0;
      try {
        stored = hasSettings ? call("vantorDialogOpen", dialogId) : 0;
      } catch (error) {
        finish(false);
        throw error;
      }
      for (const radio of radios) {
        radio.checked = Number(radio.value) === stored;
        radio.tabIndex = radio.checked ? 0 : -1;
      }
      document.body.append(dialog);
      dialog.showModal();
      [...client.children].forEach(fitText);
      ok.focus();
    });
  }

  // A text wider than its control, in a font wider than the Windows dialog
  // font, is drawn smaller until it fits, as the Windows program's texts fit
  // their controls and group boxes.
  function fitText(element) {
    let size = parseFloat(getComputedStyle(element).fontSize);
    while (element.scrollWidth > element.clientWidth && size > 8) {
      size -= 0.5;
      element.style.fontSize = size + "px";
    }
  }

  // ---- Start -------------------------------------------------------------------------
  // The backdrops travel as PNG files and become the same BMP files again in the
  // game's working folder; a folder that has a BMP file instead serves it as it
  // is. A picture that is missing or broken is simply absent, as a missing file
  // is for vantor.exe, and its level stands on black.
  function bmpFile({ width, height, data }) {
    const stride = Math.ceil((width * 3) / 4) * 4;
    const bytes = new Uint8Array(54 + stride * height);
    const header = new DataView(bytes.buffer);
    bytes.set([0x42, 0x4d]);
    header.setUint32(2, bytes.length, true);
    header.setUint32(10, 54, true);
    header.setUint32(14, 40, true);
    header.setInt32(18, width, true);
    header.setInt32(22, height, true);
    header.setUint16(26, 1, true);
    header.setUint16(28, 24, true);
    header.setUint32(34, stride * height, true);
    header.setUint32(38, 2835, true); // 72 dots per inch
    header.setUint32(42, 2835, true);
    for (let y = 0; y < height; y++) {
      let at = 54 + (height - 1 - y) * stride;
      for (let i = y * width * 4; i < (y + 1) * width * 4; i += 4) {
        bytes[at++] = data[i + 2];
        bytes[at++] = data[i + 1];
        bytes[at++] = data[i];
      }
    }
    return bytes;
  }

  async function fetchPicture(name) {
    try {
      const packed = await fetch(name + ".png", { cache: "no-cache" });
      if (packed.ok) {
        const bitmap = await createImageBitmap(await packed.blob(), {
          colorSpaceConversion: "none",
          premultiplyAlpha: "none",
        });
        const scratch = new OffscreenCanvas(bitmap.width, bitmap.height);
        const pen = scratch.getContext("2d", { willReadFrequently: true });
        pen.drawImage(bitmap, 0, 0);
        return bmpFile(pen.getImageData(0, 0, bitmap.width, bitmap.height));
      }
      const plain = await fetch(name + ".bmp", { cache: "no-cache" });
      if (plain.ok) return new Uint8Array(await plain.arrayBuffer());
    } catch (error) {
      // Broken or unreachable: the level stands on black.
    }
    return null;
  }

  // Writes a picture that has arrived; when its level is on the board, the
  // board is drawn again with it, the round kept.
  function picturesArrived(index, bytes) {
    if (!bytes || ended) return;
    game.FS.writeFile(PICTURES[index] + ".bmp", bytes);
    if (call("vantorLevel") === index + 1) resize(true);
  }

  const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  // The first board waits for its backdrop when the game's code came quickly,
  // as it does on a fast network: then the picture is a moment away. On a slow
  // one the board starts on black at once and is drawn again, the round kept,
  // when its picture arrives.
  const FAST_START_MS = 1500;
  const FIRST_PICTURE_WAIT_MS = 1000;

  const resizeObserver = new ResizeObserver(() => {
    if (game && !ended) resize();
  });

  document.title = resources.strings[ids.IDS_APP_TITLE] || document.title;

  createVantor({
    vantorFrameIsDue: frameIsDue,
    vantorShowBoard: showBoard,
    vantorText: {
      draw: (...args) => boardText.draw(...args),
      erase: (...args) => boardText.erase(...args),
      averageCharWidth: () => boardText.averageCharWidth(),
    },
  })
    .then(async (module) => {
      // Only the first round's picture is waited for, and not for long: the
      // others follow once the game runs.
      const first = fetchPicture(PICTURES[0]);
      const wait = performance.now() < FAST_START_MS ? FIRST_PICTURE_WAIT_MS : 0;
      const early = await Promise.race([first, sleep(wait).then(() => undefined)]);
      if (early) module.FS.writeFile(PICTURES[0] + ".bmp", early);
      game = module;
      game.ccall("vantorStart", null, [], []);
      resizeObserver.observe(area);
      resize();
      enqueue(() => (document.getElementById("loading").hidden = true));
      (async () => {
        if (early === undefined) picturesArrived(0, await first);
        for (let index = 1; index < PICTURES.length; index++) picturesArrived(index, await fetchPicture(PICTURES[index]));
        // Only now, so that its copies of the files do not hold up the first
        // board: the page works offline once visited, and installs as an app.
        if ("serviceWorker" in navigator) {
          navigator.serviceWorker.register("vantor-sw.js").catch((error) => console.warn(error));
        }
      })();
      if (typeof createVantorOnline === "function") {
        online = createVantorOnline({
          call, enqueue, present, ids, menubar,
          newLocalGame: () => callPlaying("vantorOnlineLeave"),
          // A board of another size may want another scale, as after a call.
          boardChanged: () => touchScreen.matches && resize(),
        });
        enqueue(() => online.start());
      }
    })
    .catch((error) => {
      console.error(error);
      document.getElementById("loading").hidden = true;
      menubar.hidden = true;
      area.hidden = true;
      document.getElementById("no-game").hidden = false;
    });

  // What the end-to-end checks and the figures read: the masks of the board's
  // font, the same the game draws with, whether the page is still busy with
  // the game, and how long things took.
  window.vantorPage = {
    textMask: (text) => boardText.mask(text),
    averageCharWidth: () => boardText.averageCharWidth(),
    idle: () => queue,
    started: () => game !== null,
    timings: () => ({ firstShown, lastCall, lastAnswer }),
    // The game's copy of a picture, as the game reads it; null when it has none.
    pictureDigest: async (name) => {
      if (!game || !game.FS.analyzePath(name).exists) return null;
      const digest = await crypto.subtle.digest("SHA-256", game.FS.readFile(name));
      return Array.from(new Uint8Array(digest), (b) => b.toString(16).padStart(2, "0")).join("");
    },
    scale: () => shown,
    online: () => online,
  };
})();
