// The page's Progress section (index.html): every drill the history holds,
// drawn as a chart with a table that says the same, the pace of the last
// drill and of the last week, the last drill's work curve, and history.csv to
// download or to merge with another. The game sums the history up
// (web/progress.cpp, by the rules kobaru --progress prints); this only draws.
'use strict';

const kobaruProgress = (() => {
  const $ = (id) => document.getElementById(id);
  const DAY_MS = 86400000;
  const svg = (name, attributes = {}, text) => {
    const element = document.createElementNS('http://www.w3.org/2000/svg', name);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    if (text !== undefined) element.textContent = text;
    return element;
  };
  const cell = (row, text, header = false) => {
    const element = document.createElement(header ? 'th' : 'td');
    if (header) element.scope = 'row';
    element.textContent = text;
    row.append(element);
  };
  // Days count in the player's time zone, as the game counted them.
  const offset = () => -new Date().getTimezoneOffset() * 60000;
  const date = (day) => new Date(day * DAY_MS).toISOString().slice(0, 10);
  const when = (ms) => new Date(ms + offset()).toISOString().slice(0, 16).replace('T', ' ');
  const one = (value) => value.toFixed(1);
  const plural = (count, noun) => `${count} ${noun}${count === 1 ? '' : 's'}`;
  let hooks = null;

  // Scores against days: a point for every drill, a line through each day's
  // best and a dashed one through the average of the seven days up to it.
  function drawChart(data) {
    const chart = $('progress-chart');
    chart.replaceChildren();
    const [left, right, top, bottom] = [44, 512, 12, 170];
    const first = data.days[0][0];
    const last = data.days[data.days.length - 1][0] + 1;
    const scores = data.drills.map((d) => d[1]);
    const low = Math.min(0, ...scores), high = Math.max(1, ...scores);
    const x = (day) => left + ((day - first) / (last - first)) * (right - left);
    const y = (score) => bottom - ((score - low) / (high - low)) * (bottom - top);
    chart.append(svg('title', { id: 'progress-chart-title' }, 'Scores, day by day'));
    chart.append(svg('desc', { id: 'progress-chart-desc' }, `${plural(data.drills.length, 'drill')} from ` +
      `${date(first)} to ${date(last - 1)}, and each day's best; the table below gives the same figures.`));
    for (const [score, label] of [[low, `${low}`], [high, `${high}`]]) {
      chart.append(svg('line', { x1: left, x2: right, y1: y(score), y2: y(score), class: 'grid' }));
      chart.append(svg('text', { x: left - 4, y: y(score) + 4, 'text-anchor': 'end' }, label));
    }
    chart.append(svg('text', { x: left, y: bottom + 16 }, date(first)));
    chart.append(svg('text', { x: right, y: bottom + 16, 'text-anchor': 'end' }, date(last - 1)));
    const line = (points, kind) => chart.append(svg('polyline', { class: kind, points: points.join(' ') }));
    line(data.days.map(([day, , best]) => `${x(day + 0.5)},${y(best)}`), 'best');
    line(data.days.map(([day, , , average]) => `${x(day + 0.5)},${y(average)}`), 'average');
    for (const [started, score] of data.drills) {
      const point = svg('circle', { cx: x((started + offset()) / DAY_MS), cy: y(score), r: 3, class: 'drill',
        'data-score': score });
      point.append(svg('title', {}, `${when(started)}: ${score}`));
      chart.append(point);
    }
    chart.append(svg('text', { x: (left + right) / 2, y: bottom + 34, 'text-anchor': 'middle', class: 'key' },
      'dots: drills; line: each day\'s best; dashes: the average of 7 days'));
  }

  function fillDays(data) {
    const rows = $('progress-days').tBodies[0];
    rows.replaceChildren();
    for (const [day, drills, best, average] of data.days) {
      const row = rows.insertRow();
      cell(row, date(day), true);
      cell(row, `${drills}`);
      cell(row, data.drills.filter(([started]) => Math.floor((started + offset()) / DAY_MS) === day)
        .map((d) => d[1]).join(', '));
      cell(row, `${best}`);
      cell(row, one(average));
    }
  }

  function fillCurve(parts) {
    const row = $('progress-curve').tBodies[0].rows[0];
    row.replaceChildren();
    cell(row, 'Right answers', true);
    const most = Math.max(1, ...parts);
    parts.forEach((part) => {
      cell(row, `${part}`);
      row.lastChild.style.setProperty('--share', `${(100 * part) / most}%`);
    });
  }

  function render(data) {
    const none = data.drills.length === 0;
    $('progress-none').hidden = !none;
    $('progress-figures').hidden = none;
    $('progress-skipped').textContent = data.skipped
      ? `${plural(data.skipped, 'line')} of the history ${data.skipped === 1 ? 'is' : 'are'} no drill's record ` +
        'and left out.' : '';
    if (none) return;
    drawChart(data);
    fillDays(data);
    const lastDrill = data.drills[data.drills.length - 1];
    const { lastDrill: drill, lastWeek: week } = data;
    $('progress-pace').textContent = `The last drill, ${when(lastDrill[0])}: ${lastDrill[1]} points, ` +
      `${one(drill.accuracy)} % right, ${one(drill.perMinute)} answers a minute. The last 7 days: ` +
      `${plural(week.drills, 'drill')}, ${one(week.accuracy)} % right, ${one(week.perMinute)} answers a minute.`;
    fillCurve(lastDrill[5]);
  }

  function refresh() {
    if (hooks) render(hooks.progress());
  }

  $('download-history').addEventListener('click', (e) => {
    if (!hooks) {
      e.preventDefault();
      return;
    }
    const link = e.currentTarget;
    if (link.href.startsWith('blob:')) URL.revokeObjectURL(link.href);
    const text = hooks.historyText() || `${hooks.historyHeader()}\r\n`;
    link.href = URL.createObjectURL(new Blob([text], { type: 'text/csv' }));
  });
  $('load-history').addEventListener('click', (e) => {
    e.preventDefault();
    if (hooks) $('load-history-file').click();
  });
  $('load-history-file').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    const added = await hooks.mergeHistory(await file.text());
    $('progress-loaded').textContent = `${file.name}: ${plural(added, 'drill')} added; ` +
      'the drills this history held already, and lines that are no drill\'s record, are left out.';
  });

  return {
    start(gameHooks) {
      hooks = gameHooks;
      refresh();
    },
    refresh,
  };
})();
