// The page around the game (index.html): the keys, the pictures, the result
// dialogs' controls and the rank file's links. kobaru.js reaches it through
// web/library.js; the game decides, the page reports and shows.
'use strict';

// What the browser tests read: frames shown, the first one shown, saves done.
globalThis.kobaru = { drawnFrames: 0, ready: false, saves: 0 };

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
  const keys = new Uint8Array(256);
  const virtualKey = (code) => {
    if (code === 'Enter' || code === 'NumpadEnter') return 0x0d;
    const digit = /^(Digit|Numpad)([0-9])$/.exec(code);
    if (!digit) return 0;
    return (digit[1] === 'Digit' ? 0x30 : 0x60) + Number(digit[2]);
  };
  const setKey = (code, down) => {
    const key = virtualKey(code);
    if (key) keys[key] = down;
  };
  addEventListener('keydown', (e) => setKey(e.code, 1));
  addEventListener('keyup', (e) => setKey(e.code, 0));
  // A key let go elsewhere never comes up here.
  addEventListener('blur', () => keys.fill(0));

  // Set by the game once it can take them (web/library.js).
  let hooks = null;
  document.addEventListener('visibilitychange', () => keys.fill(0));

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
  field.addEventListener('mousedown', (e) => {
    e.preventDefault();
    field.focus();
  });
  field.addEventListener('focus', () => post(Event.focusEdit));

  // Pointer positions in the picture's pixels.
  const pointerAt = (e) => {
    const box = open.picture.getBoundingClientRect();
    return [Math.floor(e.clientX - box.left), Math.floor(e.clientY - box.top)];
  };

  for (const dialog of dialogs) {
    const { element, ok, client } = dialog;
    ok.addEventListener('focus', () => post(Event.focusOk));
    ok.addEventListener('click', () => post(Event.confirm));
    element.addEventListener('keydown', (e) => {
      if (e.key === 'Escape') {
        e.preventDefault();
      } else if ((e.code === 'Enter' || e.code === 'NumpadEnter') && !e.isComposing && e.keyCode !== 229) {
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
  // A modal dialog keeps the focus.
  document.addEventListener('focusin', (e) => {
    if (open && !open.element.contains(e.target)) (open.field || open.ok).focus();
  });

  // Each font file's place in the module's files and its address on the site.
  const shippedFonts = (paths) => paths.split(' ').map((path) => ({
    path, url: `fonts/${path.slice(path.lastIndexOf('/') + 1)}`,
  }));

  return {
    keys,
    screenFonts: shippedFonts(document.body.dataset.screenFonts),
    dialogFonts: shippedFonts(document.body.dataset.dialogFonts),

    start(gameHooks) {
      hooks = gameHooks;
      message('');
    },

    fail(error) {
      message(`The game's files cannot be loaded: ${error.message}`);
    },

    say: message,

    show(target, image) {
      if (target === 0) {
        screen.putImageData(image, 0, 0);
        kobaru.drawnFrames++;
        kobaru.ready = true;
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
      pressing = composing = false;
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
      const at = Array.from(text).slice(0, caret).join('').length;
      field.setSelectionRange(at, at);
    },
  };
})();
