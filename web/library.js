// The page's side of web/shell.h, linked into kobaru.js: what needs the
// module's memory and file system. The page itself (keys, pictures, dialogs,
// the rank file's links) is web/page.js, loaded before it as kobaruPage.
mergeInto(LibraryManager.library, {
  $kobaruBridge: {
    // The game keeps rank.txt in memory, where its saves never wait; the
    // page keeps a copy in IndexedDB (IDBFS), which every tab of the site
    // shares. Were the game's own file in IndexedDB, its fsync would wait
    // for the database.
    rankPath: '/kobaru/rank.txt',
    keptPath: '/kept/rank.txt',
    // history.csv goes the same way, in the same turns.
    historyPath: '/kobaru/history.csv',
    keptHistoryPath: '/kept/history.csv',
    // Every tab of the site takes its turn on the ranking under this Web
    // Lock: it brings IndexedDB's copy in, the game reads it again and
    // applies its finished game, and the copy goes back before the next turn.
    lockName: 'kobaru rank.txt',
    // The state is set by start(): the library's values are written out as
    // text when kobaru.js is made, which a promise would not survive.
    persisted: null, // rank.txt as IndexedDB last got it
    persistedHistory: null, // history.csv likewise
    idb: null, // the last of the IndexedDB transfers, which run one after another
    release: null, // ends this tab's turn, while it has one
    channel: null, // tells the other tabs that the ranking was saved
    news: false, // another tab saved since the game last asked
    replaced: false, // a loaded rank.txt waits for the reload
    dialogFonts: null, // the dialogs' fonts, in place
    event: null, // the dialog event the game is reading

    start: async function () {
      kobaruBridge.idb = Promise.resolve();
      FS.mkdir('/kobaru');
      FS.mkdir('/kept');
      FS.mount(IDBFS, {}, '/kept');
      await kobaruBridge.pull();
      if ('BroadcastChannel' in globalThis) {
        kobaruBridge.channel = new BroadcastChannel('kobaru');
        kobaruBridge.channel.onmessage = () => {
          kobaruBridge.news = true;
        };
      }
      // The screens' fonts before the first frame, the dialogs' while the
      // player plays.
      await Promise.all(kobaruPage.screenFonts.map(kobaruBridge.loadFont));
      kobaruBridge.dialogFonts = Promise.all(kobaruPage.dialogFonts.map(kobaruBridge.loadFont))
        .then(kobaruPage.filesLoaded, (error) => kobaruPage.fail(error));
      kobaruPage.start({
        // What is stored, or, before the first save, the table the game shows.
        rankBytes: () => kobaruBridge.read(kobaruBridge.keptPath) ||
          HEAPU8.slice(Module['_kobaru_rank_image'](), Module['_kobaru_rank_image']() + 1304),
        replaceRank: (bytes) => kobaruBridge.withLock(async () => {
          kobaruBridge.replaced = true;
          FS.writeFile(kobaruBridge.rankPath, bytes);
          if (await kobaruBridge.persist()) kobaruBridge.announce();
        }),
        // The game sums the history up; the page draws it.
        progress: () => JSON.parse(UTF8ToString(Module['_kobaru_progress_json'](
          Date.now(), -new Date().getTimezoneOffset() * 60000))),
        historyHeader: () => UTF8ToString(Module['_kobaru_history_header']()),
        historyText: () => {
          const text = kobaruBridge.read(kobaruBridge.historyPath);
          return text ? new TextDecoder().decode(text) : '';
        },
        // Another history.csv's drills this one lacks join it, in a turn.
        mergeHistory: (loaded) => kobaruBridge.withLock(async () => {
          await kobaruBridge.pull();
          FS.writeFile('/kobaru/loaded.csv', loaded);
          const added = Module['_kobaru_merge_history']();
          FS.unlink('/kobaru/loaded.csv');
          if (added && (await kobaruBridge.persist())) kobaruBridge.announce();
          kobaruPage.progressChanged();
          return added;
        }),
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

    same: (a, b) => a && b && a.length === b.length && a.every((byte, i) => byte === b[i]),

    // IndexedDB's rank.txt and history.csv, where it has them, become the game's.
    pull: function () {
      kobaruBridge.idb = kobaruBridge.idb.then(() => new Promise((done) => {
        FS.syncfs(true, (error) => {
          if (error) console.warn('kobaru: the kept ranking cannot be read', error);
          const kept = kobaruBridge.read(kobaruBridge.keptPath);
          if (kept) {
            kobaruBridge.persisted = kept;
            FS.writeFile(kobaruBridge.rankPath, kept);
          }
          const history = kobaruBridge.read(kobaruBridge.keptHistoryPath);
          if (history) {
            kobaruBridge.persistedHistory = history;
            FS.writeFile(kobaruBridge.historyPath, history);
          }
          done();
        });
      }));
      return kobaruBridge.idb;
    },

    // The game's files go to IndexedDB where they changed; true once they are
    // there. The page counts the saves of each.
    persist: function () {
      const bytes = kobaruBridge.read(kobaruBridge.rankPath);
      const history = kobaruBridge.read(kobaruBridge.historyPath);
      const rank = bytes && !kobaruBridge.same(bytes, kobaruBridge.persisted);
      const drills = history && !kobaruBridge.same(history, kobaruBridge.persistedHistory);
      if (!rank && !drills) {
        return kobaruBridge.idb.then(() => false);
      }
      if (rank) kobaruBridge.persisted = bytes;
      if (drills) kobaruBridge.persistedHistory = history;
      kobaruBridge.idb = kobaruBridge.idb.then(() => new Promise((done) => {
        if (rank) FS.writeFile(kobaruBridge.keptPath, bytes);
        if (drills) FS.writeFile(kobaruBridge.keptHistoryPath, history);
        FS.syncfs(false, (error) => {
          if (error) {
            console.warn('kobaru: the ranking cannot be kept', error);
          } else {
            globalThis.kobaru.saves += rank ? 1 : 0;
            globalThis.kobaru.historySaves += drills ? 1 : 0;
          }
          done(!error);
        });
      }));
      return kobaruBridge.idb;
    },

    announce: function () {
      if (kobaruBridge.channel) kobaruBridge.channel.postMessage('saved');
    },

    // Runs job in a turn of its own, waiting as long as it takes: the page's
    // own use of the ranking, outside the game.
    withLock: function (job) {
      return navigator.locks ? navigator.locks.request(kobaruBridge.lockName, job) : job();
    },

    // 0 when the turn is this tab's, 1 when another tab held it throughout
    // waitMs, 2 where the browser has no Web Locks; in every case the game
    // then reads what IndexedDB holds.
    takeTurn: async function (waitMs) {
      let state = 2;
      if (navigator.locks) {
        const timeout = new AbortController();
        const timer = setTimeout(() => timeout.abort(), waitMs);
        state = await new Promise((granted) => {
          navigator.locks.request(kobaruBridge.lockName, { signal: timeout.signal }, () => {
            clearTimeout(timer);
            granted(0);
            return new Promise((release) => {
              kobaruBridge.release = release;
            });
          }).catch(() => granted(1));
        });
        if (state === 1) {
          kobaruPage.say(`Another tab of the game has held the ranking for ${waitMs / 1000} s; ` +
            'this one went on without waiting for it.');
        }
      }
      await kobaruBridge.pull();
      return state;
    },

    // The game's rank.txt goes to IndexedDB, then the turn ends and the
    // other tabs hear of it.
    endTurn: function () {
      const release = kobaruBridge.release;
      kobaruBridge.release = null;
      kobaruBridge.persist().then((saved) => {
        if (release) release();
        if (saved) kobaruBridge.announce();
        kobaruPage.progressChanged();
      });
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
    return kobaruPage.keyDown(virtualKey);
  },

  kobaru_drill_over: function (score) {
    kobaruPage.drillOver(score);
  },

  kobaru_show_picture: function (target, rgba, width, height) {
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    kobaruPage.show(target, new ImageData(pixels, width, height));
  },

  kobaru_take_turn__deps: ['$kobaruBridge'],
  kobaru_take_turn: function (waitMs) {
    return Asyncify.handleSleep((wakeUp) => {
      kobaruBridge.takeTurn(waitMs).then(wakeUp);
    });
  },

  kobaru_end_turn__deps: ['$kobaruBridge'],
  kobaru_end_turn: function () {
    kobaruBridge.endTurn();
  },

  kobaru_ranking_news__deps: ['$kobaruBridge'],
  kobaru_ranking_news: function () {
    const news = kobaruBridge.news;
    kobaruBridge.news = false;
    return news;
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
