// The page's side of web/web_shell.h, linked into kobaru.js: what needs the
// module's memory and file system. The page itself (keys, pictures, dialogs,
// the rank file's links) is web/page.js, loaded before it as kobaruPage.
mergeInto(LibraryManager.library, {
  $kobaruBridge: {
    // The game keeps rank.txt in memory, where its saves never wait; the
    // page keeps a copy in IndexedDB (IDBFS), made durable after each save.
    // Were the game's own file in IndexedDB, its fsync would wait for the
    // database, and a save asked for by the page while the game waits
    // elsewhere could not wait.
    rankPath: '/kobaru/rank.txt',
    keptPath: '/kept/rank.txt',
    // The state is set by start(): the library's values are written out as
    // text when kobaru.js is made, which a promise would not survive.
    persisted: null, // rank.txt as IndexedDB last got it
    saving: null, // the last save to IndexedDB
    replaced: false, // a loaded rank.txt waits for the reload
    dialogFonts: null, // the dialogs' fonts, in place
    event: null, // the dialog event the game is reading

    start: async function () {
      kobaruBridge.saving = Promise.resolve();
      FS.mkdir('/kobaru');
      FS.mkdir('/kept');
      FS.mount(IDBFS, {}, '/kept');
      await new Promise((done) => FS.syncfs(true, (error) => {
        if (error) console.warn('kobaru: the kept ranking cannot be read', error);
        done();
      }));
      kobaruBridge.persisted = kobaruBridge.read(kobaruBridge.keptPath);
      if (kobaruBridge.persisted) FS.writeFile(kobaruBridge.rankPath, kobaruBridge.persisted);
      // The screens' fonts before the first frame, the dialogs' while the
      // player plays.
      await Promise.all(kobaruPage.screenFonts.map(kobaruBridge.loadFont));
      kobaruBridge.dialogFonts = Promise.all(kobaruPage.dialogFonts.map(kobaruBridge.loadFont))
        .catch((error) => kobaruPage.fail(error));
      kobaruPage.start({
        rankBytes: () => {
          Module['_kobaru_save_ranking']();
          return kobaruBridge.read(kobaruBridge.rankPath);
        },
        replaceRank: (bytes) => {
          kobaruBridge.replaced = true;
          FS.writeFile(kobaruBridge.rankPath, bytes);
          return kobaruBridge.persist();
        },
        endSession: () => {
          if (!kobaruBridge.replaced) Module['_kobaru_save_ranking']();
        },
      });
    },

    // A shipped font goes where the face lookup (render/faces_web.cpp) finds it.
    loadFont: async function (font) {
      const response = await fetch(font.url);
      if (!response.ok) throw new Error(font.url + ': ' + response.status);
      FS.mkdirTree(font.path.slice(0, font.path.lastIndexOf('/')));
      FS.writeFile(font.path, new Uint8Array(await response.arrayBuffer()));
    },

    read: function (path) {
      try {
        return FS.readFile(path);
      } catch (error) {
        return null;
      }
    },

    // One IndexedDB save at a time, each after the one before.
    persist: function () {
      const bytes = kobaruBridge.read(kobaruBridge.rankPath);
      const last = kobaruBridge.persisted;
      if (!bytes || (last && bytes.length === last.length && bytes.every((b, i) => b === last[i]))) {
        return kobaruBridge.saving;
      }
      kobaruBridge.persisted = bytes;
      FS.writeFile(kobaruBridge.keptPath, bytes);
      kobaruBridge.saving = kobaruBridge.saving.then(() => new Promise((done) => {
        FS.syncfs(false, (error) => {
          if (error) console.warn('kobaru: the ranking cannot be kept', error);
          else globalThis.kobaru.saves++;
          done();
        });
      }));
      return kobaruBridge.saving;
    },
  },

  kobaru_start_page__deps: ['$kobaruBridge'],
  kobaru_start_page: function () {
    return Asyncify.handleSleep((wakeUp) => {
      kobaruBridge.start().then(wakeUp, (error) => kobaruPage.fail(error));
    });
  },

  kobaru_wait_for_dialog_fonts__deps: ['$kobaruBridge'],
  kobaru_wait_for_dialog_fonts: function () {
    return Asyncify.handleSleep((wakeUp) => {
      kobaruBridge.dialogFonts.then(() => wakeUp());
    });
  },

  kobaru_uptime_ms: function () {
    return performance.timeOrigin + performance.now();
  },

  kobaru_key_down: function (virtualKey) {
    return kobaruPage.keys[virtualKey];
  },

  kobaru_show_picture: function (target, rgba, width, height) {
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    kobaruPage.show(target, new ImageData(pixels, width, height));
  },

  kobaru_persist_files__deps: ['$kobaruBridge'],
  kobaru_persist_files: function () {
    kobaruBridge.persist();
  },

  kobaru_open_dialog: function (kind, caption, width, height, edit, ok) {
    const box = (p) => Array.from(HEAP32.subarray(p >> 2, (p >> 2) + 4));
    kobaruPage.openDialog(kind, UTF8ToString(caption), width, height, box(edit), box(ok));
  },

  kobaru_close_dialog: function () {
    kobaruPage.closeDialog();
  },

  kobaru_next_dialog_event__deps: ['$kobaruBridge'],
  kobaru_next_dialog_event: function (timeout) {
    return Asyncify.handleSleep((wakeUp) => {
      kobaruPage.nextDialogEvent(timeout).then((event) => {
        kobaruBridge.event = event;
        wakeUp(event ? event.type : 0);
      });
    });
  },

  kobaru_dialog_event_text__deps: ['$kobaruBridge'],
  kobaru_dialog_event_text: function () {
    return allocateUTF8(kobaruBridge.event.text);
  },

  kobaru_dialog_event_number__deps: ['$kobaruBridge'],
  kobaru_dialog_event_number: function (index) {
    return kobaruBridge.event.numbers[index] | 0;
  },

  kobaru_set_name_field: function (text, caret) {
    kobaruPage.setNameField(UTF8ToString(text), caret);
  },
});
