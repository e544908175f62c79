// The web build played in headless Chromium as a player plays it, with real
// key events (an answer's key dispatched in the page, down for one frame),
// the input method, the download and load links; its pictures and its
// rank.txt held against the Linux game's and the native simulator's.
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { promisify } from 'node:util';
import { ANSWERS, SCORE, canvas, check, checkSame, crop, download, eventually, firstFrame, fromOffsets, launch,
  playDrill, png, rankingRows, scratch, simPicture, simulatedGame, summary, titleShown, waitFor,
  watchFirstFrame } from './lib.mjs';

const url = process.argv[2], NAME = 'Tester テスト';
// The second tab's game: seven right answers, 7 points.
const SECOND_ANSWERS = [0, 0, 0, 0, 0, 0, 0], SECOND_NAME = 'Zweite';

// The Linux game's first title frame: its window on a private Xvfb, shot
// while gdb holds the game where the first repaint returns. Should gdb miss
// the break, an interrupt has xsession.py close its display, ending the game.
async function linuxFirstFrame() {
  const dir = scratch('linux'), shot = path.join(dir, 'first.png');
  const { stdout, stderr } = await promisify(execFile)('/usr/bin/python3', [
    new URL('../support/xsession.py', import.meta.url).pathname, 'gdb', '-q', '-batch', '-ex', 'break RepaintWindow',
    '-ex', 'run', '-ex', 'finish', '-ex', `shell import -window "$(xdotool search --name '^Kobaru$')" PNG24:${shot}`,
    '-ex', 'kill', path.resolve(process.env.KOBARU_NATIVE, 'sdl/kobaru')],
  // A bound for a hung gdb only: on a busy machine, the display, the window
  // manager and gdb's reading of the game take most of a minute.
  { cwd: dir, env: { ...process.env, KOBARU_HOLD_FIRST_FRAME_MS: '3000' }, timeout: 180000, killSignal: 'SIGINT' });
  if (!fs.existsSync(shot)) throw new Error(`no Linux picture:\n${stdout}${stderr}`);
  return crop(png(shot), [8, 8, 520, 520], 528);
}

// An answer's key, tapped for one frame: a keypad key with NumLock on, a
// main-row digit, or a key that names its digit but has no physical code, as
// some phones' keyboards send.
const tap = (page, init) => page.evaluate((i) => tapKey(i), init);

// A tap on the page's keypad shorter than any frame: a finger down and up in
// one go, before the game polls again.
const flick = (page, virtualKey) => page.$eval(`#keypad [data-key="${virtualKey}"]`, (key) => {
  for (const type of ['pointerdown', 'pointerup']) {
    key.dispatchEvent(new PointerEvent(type, { bubbles: true, pointerId: 7, pointerType: 'touch', isPrimary: true }));
  }
});

// The first game's first answer is 7 by its name alone, right or wrong; one
// answer in all is wrong, as ANSWERS has it.
const SEVEN_FIRST = (() => {
  let wrong = 1;
  return (i, right) => {
    const digit = i === 0 ? 7 : wrong ? (right + 1) % 10 : right;
    if (digit !== right) wrong--;
    return digit;
  };
})();

async function loadRank(page, bytes) {
  const file = path.join(scratch('load'), 'rank.txt');
  fs.writeFileSync(file, bytes);
  await page.evaluate(() => { globalThis.firstFrame = undefined; globalThis.before = true; });
  await (await page.$('#load-rank-file')).uploadFile(file);
}

// The main row's digits and the keypad's in turn; the first game started by
// a flick of the page's keypad, its first answer by name.
async function wholeGame(page, cdp, simulated, { answers = ANSWERS, name = NAME, newNames = 1 } = {}) {
  const first = answers === ANSWERS;
  await page.bringToFront();
  await playDrill(page, () => (first ? flick(page, 0x0d) : page.keyboard.press('Enter', { delay: 100 })), (i, digit) =>
    tap(page, { key: `${digit}`, code: first && i === 0 ? '' : `${i % 2 ? 'Numpad' : 'Digit'}${digit}` }),
  first ? SEVEN_FIRST : fromOffsets(answers), answers.length);

  await page.waitForSelector('#name-dialog', { visible: true, timeout: 40000 });
  check('the name field has the focus', await page.evaluate(() => document.activeElement?.id === 'name-field'));
  await page.keyboard.press('Escape');
  const [typed, composed] = name.split(' ');
  await page.keyboard.type(typed + (composed ? ' ' : ''));
  if (composed) {
    await cdp.send('Input.imeSetComposition', { text: 'てすと', selectionStart: 3, selectionEnd: 3 });
    await cdp.send('Input.insertText', { text: composed });
  }
  check('Escape leaves the name dialog open', await page.$eval('#name-dialog', (e) => e.checkVisibility()));
  await page.keyboard.press('Enter');

  await page.waitForSelector('#ranking-dialog', { visible: true, timeout: 15000 });
  await eventually('the ranking shows the new rows first, the default names below', rankingRows(page, newNames), 3000);
  await page.keyboard.press('Enter');
  await page.waitForSelector('#ranking-dialog', { hidden: true, timeout: 5000 });
  await eventually('the credits are the simulator\'s', async () => (await canvas(page)).equals(simulated.credits), 3000);
  // Left alone, the credits give way to the title (after 5 s of the game's clock).
  await waitFor('the title after the credits', () => titleShown(page), 15000);
}

const linux = linuxFirstFrame();
const browser = await launch();
try {
  const page = await browser.newPage();
  const cdp = await page.createCDPSession(), browserSession = await browser.target().createCDPSession();
  await page.evaluateOnNewDocument(watchFirstFrame);
  // The first tab lacks what a page served over plain HTTP to another
  // machine lacks: service workers and the storage manager.
  await page.evaluateOnNewDocument(() => {
    for (const api of ['serviceWorker', 'storage']) delete Navigator.prototype[api];
  });
  await page.goto(url);
  // The keypad for fingers, asked for by its link, stays for the next visit.
  await page.click('#toggle-keypad');
  await page.reload();
  check('the keypad the player asked for shows again after a reload', await page.$eval('#keypad', (e) => !e.hidden));
  const first = await firstFrame(page), reference = await linux;
  checkSame('the first title frame is the Linux game\'s, with the keypad shown', first, reference);
  checkSame('the simulator\'s first title frame is the Linux game\'s', simPicture('frame'), reference);
  // The game's own count of its loop: at most one frame a tick step, and
  // about two passes (a frame call, then a wait), where a spinning loop
  // would pass thousands of times.
  const pace = await page.evaluate(async () => {
    const passes = () => Module._kobaru_loop_passes();
    const [frames, loops, start] = [kobaru.drawnFrames, passes(), performance.now()];
    await new Promise((resolve) => setTimeout(resolve, 3000));
    return { steps: (performance.now() - start) / 15.625, frames: kobaru.drawnFrames - frames, passes: passes() - loops };
  });
  const counted = `${pace.frames} frames, ${pace.passes} passes in ${pace.steps.toFixed(0)} tick steps`;
  check('at most one frame a tick step on the title', pace.frames > 0 && pace.frames <= pace.steps + 2, counted);
  check('the loop waits between tick steps', pace.passes <= 3 * pace.steps + 10, counted);

  // A second tab of the site, on its title while the first plays.
  const second = await browser.newPage(), secondCdp = await second.createCDPSession();
  await second.evaluateOnNewDocument(watchFirstFrame);
  await second.goto(url);
  await firstFrame(second);

  const simulated = simulatedGame(ANSWERS, NAME);
  await wholeGame(page, cdp, simulated);
  await waitFor('both saves of the game', () => page.evaluate(() => kobaru.saves >= 2), 5000);
  check('the page plays and saves without service workers', await page.evaluate(() => !('serviceWorker' in navigator) &&
    !navigator.storage && kobaru.saves >= 2));
  const saved = await download(page, browserSession);
  check('one wrong and seven right answers scored 6', saved.readInt32LE(0) === SCORE, `${saved.readInt32LE(0)}`);
  checkSame('the downloaded rank.txt is the simulator\'s, byte for byte', saved, simulated.rank);
  const topLines = (picture) => Buffer.concat([[0, 262, 512, 312], [0, 418, 512, 472]].map((box) => crop(picture, box)));
  const withFirst = topLines(simPicture('frame', { rank: simulated.rank }));
  await eventually('the second tab\'s title shows the first tab\'s best and count, without a reload',
    async () => topLines(await canvas(second)).equals(withFirst), 5000);

  // The first tab takes the ranking's turn and keeps it: the second tab's
  // game waits for it only so long, says so, and is saved all the same, on
  // top of the first tab's.
  await page.evaluate(() => { navigator.locks.request('kobaru rank.txt', () => new Promise(() => {})); });
  const secondSimulated = simulatedGame(SECOND_ANSWERS, SECOND_NAME, simulated.rank);
  await wholeGame(second, secondCdp, secondSimulated, { answers: SECOND_ANSWERS, name: SECOND_NAME, newNames: 2 });
  await waitFor('both saves of the second tab\'s game', () => second.evaluate(() => kobaru.saves >= 2), 15000);
  check('the second tab says it went on without its turn',
    /held the ranking for 2 s/.test(await second.$eval('#message', (e) => e.innerText)));
  const both = await download(second, browserSession);
  checkSame('both tabs\' games are in rank.txt, as the simulator has them one after the other', both,
    secondSimulated.rank);
  // Both drills' records, kept like the ranking: their counts are the
  // simulator's for the same answers; the times are the browser's own.
  await waitFor('the second drill\'s record', () => second.evaluate(() => kobaru.historySaves >= 1), 15000);
  const records = (await download(second, browserSession, () => second.click('#download-history'))).toString()
    .split('\r\n').slice(1, -1);
  const counts = (line) => line.split(',').slice(1, 5).join(',');
  check('history.csv holds both drills, counted as the simulator counts them',
    records.map(counts).join(' ') === [simulated, secondSimulated].map((s) => counts(s.record)).join(' '),
    `${records.join(' | ')}`);
  await second.close();

  await page.reload();
  checkSame('the title after a reload shows the new best and play number', await firstFrame(page),
    simPicture('frame', { rank: both }));
  const progress = () => page.evaluate(() => ({
    points: [...document.querySelectorAll('#progress-chart .drill')].map((p) => Number(p.dataset.score)),
    days: [...document.querySelectorAll('#progress-days tbody tr')].map((row) => row.innerText.split('\t')),
  }));
  const [score1, score2] = [simulated, secondSimulated].map((s) => Number(s.record.split(',')[1]));
  const shown = await progress();
  check('the chart has a point for each drill and the table their day', JSON.stringify(shown.points) ===
    JSON.stringify([score1, score2]) && shown.days.length === 1 && shown.days[0].slice(1).join('|') ===
    `2|${score1}, ${score2}|${Math.max(score1, score2)}|${((score1 + score2) / 2).toFixed(1)}`, JSON.stringify(shown));
  // A desktop's history joins: its two drills, not the one it shares.
  const desktop = path.join(scratch('desktop'), 'history.csv');
  const header = 'started,score,right,wrong,longest_run,right_0_5s,right_5_10s,right_10_15s,right_15_20s,' +
    'right_20_25s,right_25_30s,first_row_tick';
  fs.writeFileSync(desktop, [header, simulated.record, secondSimulated.record.replace('2026-12-01', '2026-12-02'),
    records[0], ''].join('\r\n'));
  await (await page.$('#load-history-file')).uploadFile(desktop);
  await waitFor('the loaded history', () => page.$eval('#progress-loaded', (e) => e.textContent), 10000);
  const merged = await progress();
  check('a loaded history.csv adds the drills this one lacks', merged.points.length === 4 &&
    /: 2 drills added/.test(await page.$eval('#progress-loaded', (e) => e.textContent)), JSON.stringify(merged));
  await page.$eval('#message', (e) => { e.textContent = ''; });
  await loadRank(page, both.subarray(1));
  await page.waitForFunction(() => document.getElementById('message').innerText.trim(), { timeout: 5000 });
  check('a rank.txt of the wrong size is refused with a message', (await page.evaluate(() => globalThis.before)) &&
    (await download(page, browserSession)).equals(both));
  const good = Buffer.from(both);
  good.writeInt32LE(9999, 0);
  good.writeInt32LE(41, 1300);
  await loadRank(page, good);
  checkSame('a loaded rank.txt shows on the title after the restart', await firstFrame(page),
    simPicture('frame', { rank: good }));
  checkSame('the loaded rank.txt is stored', await download(page, browserSession), good);
} catch (error) {
  check('the tests ran to the end', false, error.stack);
} finally {
  await browser.close();
}
process.exitCode = summary() ? 0 : 1;
