// The web build played in headless Chromium as a player plays it, with real
// key events, the input method, the download and load links; its pictures
// and its rank.txt held against the Linux game's and the native simulator's.
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { promisify } from 'node:util';
import { canvas, check, checkSame, crop, eventually, firstFrame, launch, png, scratch, simPicture, simulate, sleep,
  summary, waitFor, watchFirstFrame } from './lib.mjs';

const url = process.argv[2], NAME = 'Tester テスト';
// The pair's cells at rest; in the drill only an answer changes the score's rows.
const PAIR = [[40, 100, 100, 240], [168, 100, 228, 240]], SCORE_ROWS = [0, 362, 512, 450];
// One wrong answer, then seven right ones, each after the combo window has
// closed: 6 points whatever the row, above the default table's best. The
// second tab's game: seven right ones, 7 points.
const ANSWERS = [1, 0, 0, 0, 0, 0, 0, 0], SCORE = 6, GAP_MS = 1500;
const SECOND_ANSWERS = [0, 0, 0, 0, 0, 0, 0], SECOND_NAME = 'Zweite';
// The title's TopPlayer and TopPoint lines, clear of its waving prompt.
const TOP_LINES = [0, 262, 512, 312];
const START_DRILL = 'run 600\npress return\nrun 50\nrelease return\nrun 300';

// The Linux game's first title frame: its window on a private Xvfb, shot
// while gdb holds the game where the first repaint returns. Should gdb miss
// the break, an interrupt has xsession.py close its display, ending the game.
async function linuxFirstFrame() {
  const dir = scratch('linux'), shot = path.join(dir, 'first.png');
  const { stdout, stderr } = await promisify(execFile)('/usr/bin/python3', [
    new URL('../support/xsession.py', import.meta.url).pathname, 'gdb', '-q', '-batch', '-ex', 'break RepaintWindow',
    '-ex', 'run', '-ex', 'finish', '-ex', `shell import -window "$(xdotool search --name '^Kobaru$')" PNG24:${shot}`,
    '-ex', 'kill', path.resolve(process.env.KOBARU_NATIVE, 'sdl/kobaru')],
  { cwd: dir, env: { ...process.env, KOBARU_HOLD_FIRST_FRAME_MS: '3000' }, timeout: 30000, killSignal: 'SIGINT' });
  if (!fs.existsSync(shot)) throw new Error(`no Linux picture:\n${stdout}${stderr}`);
  return crop(png(shot), [8, 8, 520, 520], 528);
}

// The pair's cells at rest for every digit, by picture: the simulator's first
// game, whose star field is the page's first game's too.
function pairCells() {
  const cells = [new Map(), new Map()];
  for (let tick = 1000; cells.some((known) => known.size < 10); tick++) {
    if (tick > 1400) throw new Error('the simulator dealt too few different digits');
    const { dir, lines } = simulate(`${START_DRILL}\nprint\nsnapshot drill.png\n`, { startTick: tick });
    const rgb = png(path.join(dir, 'drill.png'));
    PAIR.forEach((cell, i) => cells[i].set(crop(rgb, cell).toString('base64'), lines[0].digits[i + 1]));
  }
  return cells;
}

// The same game in the simulator, with the same answers, name and wait in
// the credits, from the same rank.txt: its rank.txt and its picture of the credits.
function simulatedGame(answers = ANSWERS, name = NAME, rank = undefined) {
  const row = simulate(`${START_DRILL}\nprint\n`).lines[0].digits;
  let right = 0, script = `name ${name}\n${START_DRILL}\n`;
  for (const [i, offset] of answers.entries()) {
    const key = `${i % 2 ? 'num' : ''}${(row[1 + right] + row[2 + right] + offset) % 10}`;
    right += offset ? 0 : 1;
    script += `press ${key}\nrun 30\nrelease ${key}\nrun ${GAP_MS}\n`;
  }
  // Past the drill's 32 s into the credits, then past their 5 s.
  const { dir } = simulate(`${script}run 21000\nsnapshot credits.png\nrun 6000\nclose\n`, { rank });
  return { rank: fs.readFileSync(path.join(dir, 'rank.txt')), credits: png(path.join(dir, 'credits.png')) };
}

// Puppeteer's own keypad keys come with NumLock off; this is one with NumLock on.
async function tapKeypad(cdp, digit) {
  const key = { key: `${digit}`, code: `Numpad${digit}`, windowsVirtualKeyCode: 0x60 + digit, text: `${digit}` };
  for (const type of ['keyDown', 'keyUp']) {
    await cdp.send('Input.dispatchKeyEvent', { type, ...key, isKeypad: true });
    await sleep(50);
  }
}

// A press a loaded machine may let slip between two frames is made again,
// only once its effect has had time to show.
async function pressUntil(what, press, seen) {
  for (let attempt = 0; attempt < 3; attempt++) {
    await press();
    if (await waitFor(what, seen, 1000).catch(() => false)) return;
  }
  throw new Error(`${what}: not seen after 3 presses`);
}

const pairShown = async (page, cells) => {
  const pair = await Promise.all(PAIR.map(async (cell, i) => cells[i].get((await canvas(page, cell)).toString('base64'))));
  return pair.every((digit) => digit !== undefined) && pair;
};
// The white of "Kobaru" where the credits have none; no star is white.
const titleShown = async (page) =>
  (await canvas(page, [0, 100, 512, 140])).some((_, i, all) => i % 3 === 0 && all.readUIntBE(i, 3) === 0xffffff);

// Every row shows a score and a name; the first rows' names (new ones)
// differ from each other and the default table's, which the rest show.
const rankingRows = (page, newNames) => async () => {
  const dialog = '#ranking-dialog canvas', width = await page.$eval(dialog, (c) => c.width);
  const cells = await Promise.all([0, 1, 2, 3, 4].flatMap((row) => [[14, 140], [150, width]].map(([left, right]) =>
    canvas(page, [left, 50 + 22 * row, right, 68 + 22 * row], dialog))));
  const names = cells.filter((_, i) => i % 2).map((cell) => cell.toString('base64'));
  return cells.every((cell) => cell.some((byte) => byte !== cell[0])) &&
    new Set(names.slice(0, newNames + 1)).size === newNames + 1 && new Set(names.slice(newNames)).size === 1;
};

async function download(page, browserSession) {
  const dir = scratch('download');
  await browserSession.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir, eventsEnabled: true });
  let done = false;
  const progress = (event) => { done ||= event.state === 'completed'; };
  browserSession.on('Browser.downloadProgress', progress);
  await page.click('#download-rank');
  await waitFor('the download', () => done, 5000).finally(() => browserSession.off('Browser.downloadProgress', progress));
  return fs.readFileSync(path.join(dir, fs.readdirSync(dir)[0]));
}

async function loadRank(page, bytes) {
  const file = path.join(scratch('load'), 'rank.txt');
  fs.writeFileSync(file, bytes);
  await page.evaluate(() => { globalThis.firstFrame = undefined; globalThis.before = true; });
  await (await page.$('#load-rank-file')).uploadFile(file);
}

async function wholeGame(page, cdp, simulated, { answers = ANSWERS, name = NAME, newNames = 1 } = {}) {
  const cells = pairCells();
  await page.bringToFront();
  await pressUntil('the drill', () => page.keyboard.press('Enter', { delay: 100 }), () => pairShown(page, cells));
  for (const [i, offset] of answers.entries()) {
    const [a, b] = await waitFor('the pair at rest', () => pairShown(page, cells), 3000);
    const key = (a + b + offset) % 10, score = await canvas(page, SCORE_ROWS);
    await pressUntil(`answer ${i + 1}`, () => (i % 2 ? tapKeypad(cdp, key) : page.keyboard.press(`Digit${key}`, { delay: 50 })),
      async () => !(await canvas(page, SCORE_ROWS)).equals(score));
    await sleep(GAP_MS);
  }

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
  await page.goto(url);
  const first = await firstFrame(page), reference = await linux;
  checkSame('the first title frame is the Linux game\'s', first, reference);
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

  const simulated = simulatedGame();
  await wholeGame(page, cdp, simulated);
  await waitFor('both saves of the game', () => page.evaluate(() => kobaru.saves >= 2), 5000);
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
  await second.close();

  await page.reload();
  checkSame('the title after a reload shows the new best and play number', await firstFrame(page),
    simPicture('frame', { rank: both }));
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
