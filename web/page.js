// The page around the game (index.html): the keys and the keypad for
// fingers, the pictures and how they fit the screen, the result dialogs'
// controls, the rank file's links, and the service worker that keeps the
// site for play offline. kobaru.js reaches it through web/library.js; the
// game decides, the page reports and shows.
'use strict';

// What the browser tests read: frames shown, the first one shown, saves done.
globalThis.kobaru = { drawnFrames: 0, ready: false, saves: 0, historySaves: 0 };

const kobaruPage = (() => {
  const $ = (id) => document.getElementById(id);
  const screen = $('screen').getContext('2d');
  const message = (text) => { $('message').textContent = text; };

  // The dialog events, numbered as web/shell.h numbers them.
  const Event = {
    edit: 1, composition: 2, focusEdit: 3, focusOk: 4, pointerDown: 5, pointerMove: 6,
    pointerUp: 7, spaceDown: 8, spaceUp: 9, confirm: 10,
  };

  // The keys the game asks for, under their Windows virtual-key codes, by the
  // physical key (event.code), whatever the layout or Num Lock make of it.
  // Where a key has no physical code the page knows (an on-screen keyboard,
  // some external keyboards on phones), its digit or Enter (event.key) counts.
  const keys = new Uint8Array(256);
  const physicalKey = (code) => {
    if (code === 'Enter' || code === 'NumpadEnter') return 0x0d;
    const digit = /^(Digit|Numpad)([0-9])$/.exec(code);
    if (!digit) return 0;
    return (digit[1] === 'Digit' ? 0x30 : 0x60) + Number(digit[2]);
  };
  const namedKey = (key) => (key === 'Enter' ? 0x0d : /^[0-9]$/.test(key) ? 0x30 + Number(key) : 0);
  const virtualKey = (e) => physicalKey(e.code) || namedKey(e.key);
  // Keys down by their names alone: a name may read differently when the key
  // comes up (under another modifier), so a key coming up that names nothing
  // lets them all go.
  const named = new Set();
  const setKey = (e, down) => {
    const key = virtualKey(e);
    if (down && key) {
      keys[key] = 1;
      if (!physicalKey(e.code)) named.add(key);
    } else if (!down) {
      for (const up of key ? [key] : [...named]) {
        keys[up] = 0;
        named.delete(up);
      }
    }
  };
  const isReturn = (e) => virtualKey(e) === 0x0d;
  addEventListener('keydown', (e) => setKey(e, 1));
  addEventListener('keyup', (e) => setKey(e, 0));

  // The keypad for fingers. The game polls the keys once a frame, so a tap
  // shorter than a frame would go unseen: a press counts as down until the
  // game has read it once, then follows the finger. A press the game does not
  // ask for within a quarter of a second of frames (a digit on the title, or
  // Return in the drill) lapses, rather than act in a later scene.
  const kUnreadFrames = 16;
  const keypad = $('keypad');
  const keypadKeys = new Map(Array.from(keypad.querySelectorAll('button'), (b) => [Number(b.dataset.key), b]));
  const fingers = new Uint8Array(256); // the pointers holding each key down
  const pressedAt = new Float64Array(256).fill(-1); // the frame count of an unread press
  const paintKey = (key) => keypadKeys.get(key).classList.toggle('down', fingers[key] > 0 || pressedAt[key] >= 0);
  const pressKey = (key) => {
    fingers[key]++;
    pressedAt[key] = kobaru.drawnFrames;
    paintKey(key);
    // Return presses the open dialog's default button, as the keyboard's does.
    if (key === 0x0d) post(Event.confirm);
  };
  const releaseKey = (key) => {
    fingers[key] = Math.max(0, fingers[key] - 1);
    paintKey(key);
  };
  const pointerKeys = new Map(); // pointer id: the key it holds
  for (const [key, button] of keypadKeys) {
    button.addEventListener('pointerdown', (e) => {
      if (e.button !== 0 || pointerKeys.has(e.pointerId)) return;
      // No focus, no text selection, no mouse events after a touch.
      e.preventDefault();
      // A finger that slides off the key lets it go.
      if (button.hasPointerCapture(e.pointerId)) button.releasePointerCapture(e.pointerId);
      pointerKeys.set(e.pointerId, key);
      pressKey(key);
    });
    for (const type of ['pointerup', 'pointercancel', 'pointerleave']) {
      button.addEventListener(type, (e) => {
        if (pointerKeys.get(e.pointerId) !== key) return;
        pointerKeys.delete(e.pointerId);
        releaseKey(key);
      });
    }
    // Space or Return on a focused key, or a screen reader's activation: a
    // press the game reads once.
    button.addEventListener('click', (e) => {
      if (e.detail !== 0) return;
      pressKey(key);
      releaseKey(key);
    });
  }
  keypad.addEventListener('contextmenu', (e) => e.preventDefault());
  const keyDown = (key) => {
    const unread = pressedAt[key] >= 0 && kobaru.drawnFrames - pressedAt[key] <= kUnreadFrames;
    if (pressedAt[key] >= 0) {
      pressedAt[key] = -1;
      paintKey(key);
    }
    return unread || keys[key] || fingers[key] > 0 ? 1 : 0;
  };
  const lapseUnreadPresses = () => {
    for (const key of keypadKeys.keys()) {
      if (pressedAt[key] >= 0 && kobaru.drawnFrames - pressedAt[key] > kUnreadFrames) {
        pressedAt[key] = -1;
        paintKey(key);
      }
    }
  };
  // A key let go elsewhere never comes up here.
  const releaseAll = () => {
    keys.fill(0);
    named.clear();
    fingers.fill(0);
    pressedAt.fill(-1);
    pointerKeys.clear();
    for (const key of keypadKeys.keys()) paintKey(key);
  };
  addEventListener('blur', releaseAll);
  document.addEventListener('visibilitychange', releaseAll);

  // Set by the game once it can take them (web/library.js).
  let hooks = null;

  // The rank file's links: the stored bytes out, another file in.
  $('download-rank').addEventListener('click', (e) => {
    if (!hooks) {
      e.preventDefault();
      return;
    }
    const link = e.currentTarget;
    if (link.href.startsWith('blob:')) URL.revokeObjectURL(link.href);
    link.href = URL.createObjectURL(new Blob([hooks.rankBytes()], { type: 'application/octet-stream' }));
  });
  $('load-rank').addEventListener('click', (e) => {
    e.preventDefault();
    if (hooks) $('load-rank-file').click();
  });
  $('load-rank-file').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    if (file.size !== 1304) {
      message(`${file.name} is not a ranking: rank.txt has 1,304 bytes, this file ${file.size}.`);
      return;
    }
    await hooks.replaceRank(new Uint8Array(await file.arrayBuffer()));
    location.reload();
  });

  // The result dialogs: the game's picture of the client area, with an input
  // element over the name field and a button over OK, both invisible.
  const dialogs = ['name', 'ranking'].map((kind) => {
    const element = $(`${kind}-dialog`);
    return {
      element, ok: $(`${kind}-ok`), field: kind === 'name' ? $('name-field') : null,
      caption: element.querySelector('.caption'), client: element.querySelector('.client'),
      picture: element.querySelector('canvas'),
    };
  });
  let open = null;
  let events = [];
  let wake = null; // ends the game's wait for the next event
  let pressing = false; // the mouse button went down in the dialog
  let composing = false;
  let compositionStart = 0; // where the composition starts in the field, UTF-16
  let compositionText = '';

  const post = (type, text = '', numbers = []) => {
    if (!open) return;
    events.push({ type, text, numbers });
    if (wake) wake();
  };

  const place = (element, [left, top, right, bottom]) => {
    Object.assign(element.style, {
      left: `${left}px`, top: `${top}px`, width: `${right - left}px`, height: `${bottom - top}px`,
    });
  };

  // The field counts its caret in characters, as the game does, not in UTF-16 units.
  const characters = (text) => Array.from(text).length;
  const field = dialogs[0].field;
  const reportField = () => {
    if (!composing) post(Event.edit, field.value, [characters(field.value.slice(0, field.selectionEnd))]);
  };
  field.addEventListener('input', () => {
    if (!composing) {
      reportField();
      return;
    }
    const cursor = characters(field.value.slice(compositionStart, field.selectionEnd));
    post(Event.composition, compositionText, [cursor]);
  });
  field.addEventListener('compositionstart', () => {
    composing = true;
    compositionStart = field.selectionStart;
  });
  field.addEventListener('compositionupdate', (e) => { compositionText = e.data; });
  // The committed text is in the field when the composition ends; no input
  // event need follow.
  field.addEventListener('compositionend', () => {
    composing = false;
    post(Event.composition, '', [0]);
    reportField();
  });
  // There is no selection in the field, only a caret, as in the other builds.
  document.addEventListener('selectionchange', () => {
    if (document.activeElement !== field || composing) return;
    if (field.selectionStart !== field.selectionEnd) {
      const at = field.selectionDirection === 'backward' ? field.selectionStart : field.selectionEnd;
      field.setSelectionRange(at, at);
      return;
    }
    reportField();
  });
  field.addEventListener('keyup', reportField);
  // A paste is one line, as the field takes it on the other builds.
  field.addEventListener('paste', (e) => {
    e.preventDefault();
    const line = e.clipboardData.getData('text/plain').split(/[\r\n]/)[0];
    field.setRangeText(line, field.selectionStart, field.selectionEnd, 'end');
    reportField();
  });
  field.addEventListener('drop', (e) => e.preventDefault());
  // The game places the caret for a click: it knows where its characters are.
  // A tap focuses the field as the device does, which opens its keyboard;
  // the caret the browser puts where the finger was then goes back where the
  // game put it.
  let tapping = false;
  let keptCaret = 0; // where the game last put the caret, in UTF-16 units
  field.addEventListener('pointerdown', (e) => { tapping = e.pointerType !== 'mouse'; });
  field.addEventListener('mousedown', (e) => {
    if (tapping) return;
    e.preventDefault();
    field.focus();
  });
  field.addEventListener('click', () => {
    if (tapping) field.setSelectionRange(keptCaret, keptCaret);
    tapping = false;
  });
  field.addEventListener('focus', () => post(Event.focusEdit));

  // Pointer positions in the picture's pixels, which a small screen shows smaller.
  const pointerAt = (e) => {
    const box = open.picture.getBoundingClientRect();
    const scale = box.width ? open.picture.width / box.width : 1;
    return [Math.floor((e.clientX - box.left) * scale), Math.floor((e.clientY - box.top) * scale)];
  };

  for (const dialog of dialogs) {
    const { element, ok, client } = dialog;
    ok.addEventListener('focus', () => post(Event.focusOk));
    ok.addEventListener('click', () => post(Event.confirm));
    element.addEventListener('keydown', (e) => {
      if (e.key === 'Escape') {
        e.preventDefault();
      } else if (isReturn(e) && !e.isComposing && e.keyCode !== 229) {
        // Return presses the default button from any control.
        e.preventDefault();
        if (!e.repeat) post(Event.confirm);
      } else if (e.key === 'Tab') {
        e.preventDefault();
        if (dialog.field) (document.activeElement === dialog.field ? ok : dialog.field).focus();
      } else if (e.key === ' ' && e.target === ok && !e.repeat) {
        post(Event.spaceDown);
      }
    });
    element.addEventListener('keyup', (e) => {
      if (e.key === ' ' && e.target === ok) post(Event.spaceUp);
    });
    // Only the controls take the focus.
    client.addEventListener('mousedown', (e) => {
      if (e.target !== ok && e.target !== dialog.field) e.preventDefault();
    });
    client.addEventListener('pointerdown', (e) => {
      if (e.button !== 0) return;
      pressing = true;
      post(Event.pointerDown, '', pointerAt(e));
    });
  }
  addEventListener('pointermove', (e) => { if (pressing && open) post(Event.pointerMove, '', pointerAt(e)); });
  addEventListener('pointerup', (e) => {
    if (!pressing || e.button !== 0 || !open) return;
    pressing = false;
    post(Event.pointerUp, '', pointerAt(e));
  });
  // A touch the browser takes over (a scroll, a pinch) ends off the button.
  addEventListener('pointercancel', () => {
    if (!pressing || !open) return;
    pressing = false;
    post(Event.pointerUp, '', [-1, -1]);
  });
  // A modal dialog keeps the focus.
  document.addEventListener('focusin', (e) => {
    if (open && !open.element.contains(e.target)) (open.field || open.ok).focus();
  });

  // How the game fits the screen. Where the page has room, as on a desktop,
  // the area keeps its 528 pixels at the top left and the keypad (if shown)
  // goes under it. On a smaller screen the area is scaled to the width, and,
  // where fingers play, to the height the keypad leaves; the keypad goes
  // under it, or beside it where that leaves the area larger (a phone lying
  // on its side). The scale is a whole number of device pixels to the game's
  // pixel where that costs at most a fifth of the size, drawn pixelated and
  // crisp, else the largest that fits, smoothed.
  const kArea = 528, kCaption = 24; // the area, and the room a dialog's caption and frame take above it
  const kMargin = 8, kGap = 8, kLine = 28; // the score line under the game
  const kKeypadBelow = 210, kKeypadBeside = 200; // the keypad's height under the area, its width beside it
  const coarse = matchMedia('(pointer: coarse)');
  const body = document.body, game = $('game'), stage = $('stage'), area = $('area');
  let fittedWidth = 0;
  const fit = () => {
    const dpr = devicePixelRatio || 1, { clientWidth: width, clientHeight: height } = document.documentElement;
    // The on-screen keyboard may shrink the window while a name is typed:
    // the dialog stays as it is until the screen turns.
    if (open && width === fittedWidth) return;
    fittedWidth = width;
    const withKeypad = !keypad.hidden;
    const below = withKeypad ? kGap + kKeypadBelow + kLine : kLine;
    const byHeight = withKeypad || coarse.matches;
    for (const style of [game.style, stage.style, area.style]) style.cssText = '';
    body.classList.remove('fitted', 'beside');
    area.classList.remove('smooth');
    if (width >= kArea + 32 && (!byHeight || height >= 32 + kArea + below)) return;

    const tall = (room) => (byHeight ? (room - kMargin) / (kArea + kCaption) : Infinity);
    const under = Math.min((width - 2 * kMargin) / kArea, tall(height - below));
    const beside = withKeypad ? Math.min((width - 2 * kMargin - kGap - kKeypadBeside) / kArea, tall(height - kLine)) : 0;
    let scale = Math.max(0.1, Math.min(1, Math.max(under, beside)));
    const whole = Math.floor(scale * dpr);
    const crisp = whole >= 1 && whole >= 0.8 * scale * dpr;
    if (crisp) scale = whole / dpr;
    // The area's corner on a whole device pixel, or no game pixel would be:
    // the nearest whole CSS pixel that is one (layout counts in 64ths of a
    // CSS pixel, which a third of one is not).
    const snap = (css) => {
      for (let step = 0; step < 16; step++) {
        const at = Math.floor(css) + (step % 2 ? -(step + 1) / 2 : step / 2);
        if (at >= 0 && Math.abs(at * dpr - Math.round(at * dpr)) < 1e-6) return at;
      }
      return Math.round(css);
    };
    const size = kArea * scale, sideways = beside > under;
    body.classList.add('fitted');
    body.classList.toggle('beside', sideways);
    area.classList.toggle('smooth', !crisp);
    area.style.transform = `scale(${scale})`;
    stage.style.width = stage.style.height = `${size}px`;
    if (!sideways) game.style.width = `${size}px`;
    game.style.marginLeft = `${snap((width - (sideways ? size + kKeypadBeside : size)) / 2)}px`;
    game.style.paddingTop = `${snap(kCaption * scale + kMargin / 2 + 1)}px`;
  };

  // The keypad shows where the pointer is a finger, unless the player chose.
  const keypadChoice = 'kobaru keypad';
  const showKeypad = (shown) => {
    keypad.hidden = !shown;
    $('toggle-keypad').textContent = shown ? 'Hide the keypad' : 'Show the keypad';
    $('toggle-keypad').setAttribute('aria-expanded', shown);
    fit();
  };
  $('toggle-keypad').addEventListener('click', (e) => {
    e.preventDefault();
    showKeypad(keypad.hidden);
    try {
      localStorage.setItem(keypadChoice, keypad.hidden ? 'hidden' : 'shown');
    } catch (error) {
      // Kept for this visit only.
    }
  });
  const chosen = (() => {
    try {
      return localStorage.getItem(keypadChoice);
    } catch (error) {
      return null;
    }
  })();
  showKeypad(chosen ? chosen === 'shown' : coarse.matches);
  addEventListener('resize', fit);
  // Moved to a screen of another density, the game's pixels are counted again.
  const watchDensity = () => matchMedia(`(resolution: ${devicePixelRatio}dppx)`)
    .addEventListener('change', () => { fit(); watchDensity(); }, { once: true });
  watchDensity();

  // The line under the game that says each drill's score, for screen readers
  // as well as the eye; numbered, so that the same score is said again.
  let drills = 0;
  const drillOver = (score) => {
    drills++;
    $('score-line').textContent = `Drill ${drills} over: ${score} ${Math.abs(score) === 1 ? 'point' : 'points'}.`;
  };

  // Play without the network: once the page holds every file it needs, a
  // service worker keeps the site's files, one build at a time
  // (web/service-worker.js). A newer build's worker, once it has every file,
  // takes over from here: this page runs on as it is, and the next start is
  // the new build. Where the browser has no service workers (plain HTTP on
  // a network address) the page is simply not offline.
  const keepOffline = () => {
    if (!('serviceWorker' in navigator)) return;
    const takeOverOnceInstalled = (worker) => {
      if (!worker) return;
      if (worker.state === 'installed') worker.postMessage('take over');
      else worker.addEventListener('statechange', () => takeOverOnceInstalled(worker), { once: true });
    };
    navigator.serviceWorker.register('service-worker.js').then((registration) => {
      takeOverOnceInstalled(registration.waiting || registration.installing);
      // The browser looks for a new build each time the page is opened.
      registration.addEventListener('updatefound', () => takeOverOnceInstalled(registration.installing));
    }).catch((error) => console.warn('kobaru: the site is not kept for play offline', error));
  };

  // The ranking lives in the browser's storage, which a browser short of room
  // may clear unless it agrees to keep it.
  const askToKeepStorage = () => {
    if (!navigator.storage || !navigator.storage.persist) return;
    navigator.storage.persisted().then((kept) => kept || navigator.storage.persist()).then((kept) => {
      if (!kept) {
        message('This browser may clear the ranking if it runs short of room (it would not promise ' +
          'to keep it): Download rank.txt keeps a copy.');
      }
    }, () => {});
  };

  // Each font file's place in the module's files and its address on the site.
  const shippedFonts = (paths) => paths.split(' ').map((path) => ({
    path, url: `fonts/${path.slice(path.lastIndexOf('/') + 1)}`,
  }));

  return {
    keyDown,
    drillOver,
    screenFonts: shippedFonts(document.body.dataset.screenFonts),
    dialogFonts: shippedFonts(document.body.dataset.dialogFonts),

    start(gameHooks) {
      hooks = gameHooks;
      message('');
      askToKeepStorage();
      kobaruProgress.start(gameHooks);
    },

    // A drill's record was kept, or another tab's, or another history joined.
    progressChanged: () => kobaruProgress.refresh(),

    // Every file the page needs is in: from now on it fetches nothing.
    filesLoaded: keepOffline,

    fail(error) {
      message(`The game's files cannot be loaded: ${error.message}`);
    },

    say: message,

    show(target, image) {
      if (target === 0) {
        screen.putImageData(image, 0, 0);
        kobaru.drawnFrames++;
        kobaru.ready = true;
        lapseUnreadPresses();
      } else {
        open.picture.getContext('2d').putImageData(image, 0, 0);
      }
    },

    openDialog(kind, caption, width, height, edit, ok) {
      const dialog = dialogs[kind];
      dialog.caption.textContent = caption;
      dialog.picture.width = width;
      dialog.picture.height = height;
      place(dialog.ok, ok);
      if (dialog.field) {
        place(dialog.field, edit);
        dialog.field.value = '';
      }
      events = [];
      open = dialog;
      dialog.element.hidden = false;
      (dialog.field || dialog.ok).focus();
    },

    closeDialog() {
      open.element.hidden = true;
      if (document.activeElement) document.activeElement.blur();
      open = null;
      events = [];
      pressing = composing = tapping = false;
    },

    // The next event, or null after timeout ms (never, for a negative timeout).
    nextDialogEvent(timeout) {
      return new Promise((resolve) => {
        const timer = timeout >= 0 ? setTimeout(() => { wake = null; resolve(null); }, timeout) : 0;
        wake = () => {
          wake = null;
          clearTimeout(timer);
          resolve(events.shift());
        };
        if (events.length) wake();
      });
    },

    setNameField(text, caret) {
      if (field.value !== text) field.value = text;
      keptCaret = Array.from(text).slice(0, caret).join('').length;
      field.setSelectionRange(keptCaret, keptCaret);
    },
  };
})();
