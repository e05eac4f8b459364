'use strict';
// The console's pages: everything through the JSON API, live through /api/events.
const $ = (selector) => document.querySelector(selector);
const EVENTS = { rang: '已响', failed: '失败', skipped: '跳过', missed: '错过', played: '播放', stopped: '停止', system: '系统' };
const DAYS = ['日', '一', '二', '三', '四', '五', '六'];
let session = JSON.parse(sessionStorage.getItem('ringvale') || 'null');
let state = null;
let source = null;

async function call(method, path, body) {
  const headers = { 'Content-Type': 'application/json' };
  if (session) headers['X-CSRF-Token'] = session.csrf;
  const response = await fetch(path, { method, headers, body: body === undefined ? undefined : JSON.stringify(body), credentials: 'same-origin' });
  const data = await response.json().catch(() => ({}));
  if (response.status === 401 && path !== '/api/login') { showLogin(); throw new Error('请先登录'); }
  if (!response.ok) throw new Error(data.error || ('HTTP ' + response.status));
  return data;
}

function notice(text) {
  const element = $('#notice');
  element.textContent = text || '';
  element.hidden = !text;
}

function cell(row, text) {
  const td = document.createElement('td');
  td.textContent = text === undefined || text === null ? '' : String(text);
  row.appendChild(td);
  return td;
}

function showLogin() {
  session = null;
  sessionStorage.removeItem('ringvale');
  if (source) { source.close(); source = null; }
  $('#app').hidden = true;
  $('#login').hidden = false;
}

function showApp() {
  $('#login').hidden = true;
  $('#app').hidden = false;
  $('#who').textContent = session.user + '（' + { viewer: '查看', operator: '操作员', admin: '管理员' }[session.role] + '）';
  document.querySelectorAll('.op').forEach((e) => { e.hidden = session.role === 'viewer'; });
  document.querySelectorAll('.admin').forEach((e) => { e.hidden = session.role !== 'admin'; });
  refreshState();
  if (!source) {
    source = new EventSource('/api/events');
    source.addEventListener('state', refreshState);
    source.addEventListener('entry', (event) => { refreshState(); appendLog(JSON.parse(event.data)); });
  }
}

$('#login').addEventListener('submit', async (event) => {
  event.preventDefault();
  const form = event.target;
  try {
    session = await call('POST', '/api/login', { user: form.user.value, password: form.password.value });
    sessionStorage.setItem('ringvale', JSON.stringify(session));
    form.password.value = '';
    $('#loginError').textContent = '';
    showApp();
  } catch (error) {
    $('#loginError').textContent = error.message === 'wrong user name or password' ? '用户名或密码不对' : error.message;
  }
});

$('#logout').addEventListener('click', async () => { try { await call('POST', '/api/logout'); } finally { showLogin(); } });

document.querySelectorAll('.tab').forEach((tab) => tab.addEventListener('click', () => {
  document.querySelectorAll('.tab').forEach((t) => t.classList.toggle('active', t === tab));
  document.querySelectorAll('.page').forEach((page) => { page.hidden = page.id !== tab.dataset.tab; });
  ({ timetables: loadTimetables, calendar: loadCalendar, log: loadLog, campus: loadCampus })[tab.dataset.tab]?.();
}));

async function refreshState() {
  try { state = await call('GET', '/api/state'); } catch (error) { notice(error.message); return; }
  notice('');
  $('#status').textContent = state.lockdown.on ? '全校停铃中' : (state.running ? '系统正在运行中' : '系统已停止运行');
  $('#status').classList.toggle('locked', state.lockdown.on);
  $('#lockdownBanner').hidden = !state.lockdown.on;
  $('#lockdown').textContent = state.lockdown.on ? '解除全校停铃' : '全校停铃';
  $('#run').textContent = state.running ? '停止运行' : '开始运行';
  $('#nextTime').textContent = state.next ? state.next.time : '今天没有了';
  $('#nextFile').textContent = state.next ? state.next.file : '';
  const today = state.today;
  $('#dayPlan').textContent = today.date + '  ' + state.timetable.name +
    (today.noBells ? '  今天不打铃：' + today.noBells : '') + (today.ringsAs ? '  补课，按' + today.ringsAs + '打铃' : '');
  const timeline = $('#timeline');
  timeline.replaceChildren();
  for (const bell of state.bells) {
    const item = document.createElement('li');
    item.className = bell.event || '';
    item.textContent = bell.time + '  ' + bell.file;
    const mark = document.createElement('span');
    mark.className = 'mark';
    mark.textContent = bell.event ? EVENTS[bell.event] : '';
    item.appendChild(mark);
    timeline.appendChild(item);
  }
}

function tickCountdown() {
  const element = $('#countdown');
  if (!state || !state.next) { element.textContent = '—'; return; }
  const [h, m, s] = state.next.time.split(':').map(Number);
  const now = new Date();
  const due = new Date(now.getFullYear(), now.getMonth(), now.getDate(), h, m, s);
  let left = Math.max(0, Math.round((due - now) / 1000));
  const hours = Math.floor(left / 3600); left %= 3600;
  element.textContent = (hours ? hours + ':' : '') + String(Math.floor(left / 60)).padStart(2, '0') + ':' + String(left % 60).padStart(2, '0');
}
setInterval(tickCountdown, 500);

async function command(path, body) {
  try { await call('POST', path, body); notice(''); await refreshState(); } catch (error) { notice(error.message); }
}
$('#stop').addEventListener('click', () => command('/api/stop'));
$('#run').addEventListener('click', () => command('/api/run', { on: !state.running }));
$('#lockdown').addEventListener('click', () => command('/api/lockdown', { on: !state.lockdown.on }));
$('#alarmFile').value = localStorage.getItem('ringvale.alarm') || '';
$('#alarm').addEventListener('click', () => {
  const file = $('#alarmFile').value.trim();
  if (!file) { notice('请先填写警报音乐'); return; }
  localStorage.setItem('ringvale.alarm', file);
  command('/api/alarm', { file });
});

async function loadTimetables() {
  const list = await call('GET', '/api/timetables');
  const choice = $('#timetableChoice');
  if (!choice.options.length) {
    for (const timetable of list.timetables) choice.add(new Option(timetable.name, timetable.index));
    choice.value = String(list.current);
    choice.addEventListener('change', showRules);
  }
  showRules();
}

async function listOutputs() {
  try {
    const names = $('#outputNames');
    names.replaceChildren();
    for (const output of await call('GET', '/api/outputs')) {
      const option = document.createElement('option');
      option.value = output.name; option.label = output.description;
      names.appendChild(option);
    }
  } catch (error) { /* the list only helps typing */ }
}

async function showRules() {
  listOutputs();
  const index = $('#timetableChoice').value;
  const timetable = await call('GET', '/api/timetables/' + index);
  const body = $('#rules tbody');
  body.replaceChildren();
  for (const rule of timetable.rules) {
    const row = document.createElement('tr');
    cell(row, rule.row); cell(row, rule.file); cell(row, rule.count);
    cell(row, rule.days.map((on, d) => on ? DAYS[d] : '').join(''));
    cell(row, rule.times.filter((t) => t).join(' '));
    const actions = cell(row, '');
    actions.className = 'admin';
    actions.hidden = session.role !== 'admin';
    const modify = document.createElement('button');
    modify.textContent = '修改';
    modify.addEventListener('click', () => fillRule(rule));
    const remove = document.createElement('button');
    remove.textContent = '删除';
    remove.addEventListener('click', async () => {
      if (!confirm('删除第 ' + rule.row + ' 条规则？')) return;
      try { await call('DELETE', '/api/timetables/' + index + '/rules/' + rule.row); showRules(); } catch (error) { notice(error.message); }
    });
    actions.append(modify, remove);
    body.appendChild(row);
  }
}

const ruleForm = $('#ruleForm');
for (let d = 0; d < 7; ++d) {
  const label = document.createElement('label');
  const box = document.createElement('input');
  box.type = 'checkbox'; box.name = 'day' + d; box.checked = d >= 1 && d <= 5;
  label.append(box, ' ' + DAYS[d]);
  ruleForm.querySelector('.days').appendChild(label);
}
function fillRule(rule) {
  $('#ruleFormTitle').textContent = '修改第 ' + rule.row + ' 条规则';
  ruleForm.row.value = rule.row; ruleForm.file.value = rule.file; ruleForm.count.value = rule.count;
  rule.days.forEach((on, d) => { ruleForm['day' + d].checked = on; });
  ruleForm.times.value = rule.times.filter((t) => t).join(' ');
  ruleForm.rainGated.checked = rule.rainGated;
  ruleForm.outputs.value = (rule.outputs || []).join(' ');
  ruleForm.gainDb.value = rule.gainDb || 0;
  ruleForm.scrollIntoView();
}
ruleForm.addEventListener('reset', () => { $('#ruleFormTitle').textContent = '新增规则'; ruleForm.row.value = ''; });
ruleForm.addEventListener('submit', async (event) => {
  event.preventDefault();
  const index = $('#timetableChoice').value;
  const body = {
    file: ruleForm.file.value, count: Number(ruleForm.count.value),
    days: [0, 1, 2, 3, 4, 5, 6].map((d) => ruleForm['day' + d].checked),
    times: ruleForm.times.value.split(/[\s,，、]+/).filter((t) => t), rainGated: ruleForm.rainGated.checked,
    outputs: ruleForm.outputs.value.split(/[\s,，、|]+/).filter((o) => o), gainDb: Number(ruleForm.gainDb.value) || 0,
  };
  try {
    if (ruleForm.row.value) await call('PUT', '/api/timetables/' + index + '/rules/' + ruleForm.row.value, body);
    else await call('POST', '/api/timetables/' + index + '/rules', body);
    ruleForm.reset(); notice(''); showRules();
  } catch (error) { notice(error.message); }
});

async function loadCalendar() {
  const calendar = await call('GET', '/api/calendar');
  const body = $('#calendarEntries tbody');
  body.replaceChildren();
  for (const [section, entries] of [['作息表', calendar.timetables], ['不打铃', calendar.noBells], ['补课', calendar.makeupDays]]) {
    for (const entry of entries) { const row = document.createElement('tr'); cell(row, section); cell(row, entry.key); cell(row, entry.value); body.appendChild(row); }
  }
  const feeds = $('#feeds');
  feeds.replaceChildren();
  for (const feed of calendar.feeds) {
    const item = document.createElement('li');
    item.textContent = feed.address + '  上次获取 ' + (feed.fetched || '—') + (feed.problem ? '  问题：' + feed.problem : '');
    feeds.appendChild(item);
  }
}

$('#calendarForm').addEventListener('submit', async (event) => {
  event.preventDefault();
  const form = event.target;
  try {
    await call('POST', '/api/calendar', { section: form.section.value, key: form.key.value.trim(), value: form.value.value.trim() });
    form.reset(); notice(''); loadCalendar();
  } catch (error) { notice(error.message); }
});
document.querySelector('#calendarEntries tbody').addEventListener('click', (event) => {
  const row = event.target.closest('tr');
  if (!row || session.role !== 'admin') return;
  const sections = { 作息表: 'timetables', 不打铃: 'noBells', 补课: 'makeupDays' };
  const form = $('#calendarForm');
  form.section.value = sections[row.cells[0].textContent];
  form.key.value = row.cells[1].textContent;
  form.value.value = row.cells[2].textContent;
});

function logRow(entry) {
  const row = document.createElement('tr');
  cell(row, entry.time); cell(row, EVENTS[entry.event] || entry.event); cell(row, entry.due); cell(row, entry.file); cell(row, entry.detail);
  return row;
}
async function loadLog() {
  const date = $('#logDate');
  if (!date.value) date.value = new Date().toLocaleDateString('sv');
  const log = await call('GET', '/api/log?date=' + date.value);
  const body = $('#logEntries tbody');
  body.replaceChildren(...log.entries.map(logRow).reverse());
}
$('#logDate').addEventListener('change', loadLog);
function appendLog(entry) {
  if ($('#logDate').value === new Date().toLocaleDateString('sv')) $('#logEntries tbody').prepend(logRow(entry));
}

async function loadCampus() {
  const campus = await call('GET', '/api/campus');
  $('#campusRole').textContent = { none: '本机没有加入校园', office: '本机是总控', building: '本机是教学楼' }[campus.role] +
    (campus.role !== 'none' ? (campus.connected ? '，已连接' : '，未连接') : '');
  const body = $('#buildings tbody');
  body.replaceChildren();
  for (const building of campus.buildings) {
    const row = document.createElement('tr');
    cell(row, building.name); cell(row, building.online ? '在线' : '离线');
    cell(row, building.clockOffsetMs === null ? '—' : building.clockOffsetMs + ' ms'); cell(row, building.lastBell);
    body.appendChild(row);
  }
}

if (session) showApp(); else showLogin();
