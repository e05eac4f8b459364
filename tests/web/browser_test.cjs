// The console in a real browser (Debian's chromium through playwright-core): log in through the
// form, see the next bell, stop, sound the alarm and stop it, lock down and lift it; a viewer sees
// no command buttons. Usage: node browser_test.cjs BASE_URL HOME [SCREENSHOT_DIR]
'use strict';
const { chromium } = require('playwright-core');
const fs = require('fs');
const path = require('path');

const [base, home, shots] = process.argv.slice(2);
const password = 'correct horse battery';

function fail(message) {
  console.error('FAIL: ' + message);
  process.exit(1);
}

function todaysLog() {
  const folder = path.join(home, '日志');
  const day = new Date().toLocaleDateString('sv');
  const file = path.join(folder, day + '.tsv');
  return fs.existsSync(file) ? new TextDecoder('gb18030').decode(fs.readFileSync(file)) : '';
}

async function waitForLog(pattern) {
  for (let i = 0; i < 100; ++i) {
    if (pattern.test(todaysLog())) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  fail('the log never said ' + pattern + ':\n' + todaysLog());
}

// Polls an element's text (the page's own policy forbids evaluating strings in it).
async function waitText(page, selector, test, what) {
  let text = '';
  for (let i = 0; i < 100; ++i) {
    text = (await page.locator(selector).first().textContent()) || '';
    if (test(text)) return text;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  fail(selector + ' never showed ' + what + ': "' + text + '"');
}

async function logIn(browser, user, viewport) {
  const context = await browser.newContext({ viewport, locale: 'zh-CN' });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => { if (message.type() === 'error') problems.push(message.text()); });
  page.on('pageerror', (error) => problems.push(error.message));
  await page.goto(base + '/');
  await page.fill('input[name=user]', user);
  await page.fill('input[name=password]', password);
  await page.click('#login button[type=submit]');
  await page.waitForSelector('#app:not([hidden])');
  return { context, page, problems };
}

(async () => {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
  try {
    // A wrong password is refused in the form.
    {
      const context = await browser.newContext();
      const page = await context.newPage();
      await page.goto(base + '/');
      await page.fill('input[name=user]', 'op');
      await page.fill('input[name=password]', 'not the password');
      await page.click('#login button[type=submit]');
      await waitText(page, '#loginError', (text) => text.length > 0, 'an error');
      if (!(await page.isHidden('#app'))) fail('a wrong password opened the console');
      await context.close();
    }

    const { page, problems } = await logIn(browser, 'op', { width: 390, height: 844 });
    const expected = fs.readFileSync(path.join(home, 'next-bell.txt'), 'utf8').trim();
    await waitText(page, '#nextTime', (text) => text === expected, expected);
    await waitText(page, '#countdown', (text) => /\d\d:\d\d/.test(text), 'a countdown');
    if (shots) await page.screenshot({ path: path.join(shots, 'console-phone.png'), fullPage: true });

    await page.click('#stop');
    await waitForLog(/\tstopped\t.*web op: stop/);
    await page.fill('#alarmFile', path.join(home, 'alarm.wav'));
    await page.click('#alarm');
    await waitForLog(/\tplayed\t.*alarm\.wav.*web op: alarm/);
    await page.click('#stop');
    await waitForLog(/\tstopped\t(.|\n)*\tstopped\t/);
    await page.click('#lockdown');
    await page.waitForSelector('#lockdownBanner:not([hidden])');
    if (!fs.readFileSync(path.join(home, '停铃.INI')).includes('1')) fail('lockdown was not kept');
    if (shots) await page.screenshot({ path: path.join(shots, 'console-lockdown.png'), fullPage: true });
    await page.click('#lockdown');
    await page.waitForSelector('#lockdownBanner', { state: 'hidden' });
    await waitForLog(/lockdown lifted/);
    if (problems.length) fail('the page reported: ' + problems.join('; '));

    // An admin adds a day without bells on the 校历 page; it lands in 校历.INI.
    const admin = await logIn(browser, 'admin', { width: 1280, height: 800 });
    await admin.page.click('button[data-tab=calendar]');
    await admin.page.selectOption('#calendarForm select[name=section]', 'noBells');
    await admin.page.fill('#calendarForm input[name=key]', '2030-10-01~2030-10-07');
    await admin.page.fill('#calendarForm input[name=value]', '国庆节');
    await admin.page.click('#calendarForm button[type=submit]');
    await admin.page.waitForSelector('#calendarEntries tbody tr');
    const calendar = new TextDecoder('gb18030').decode(fs.readFileSync(path.join(home, '校历.INI')));
    if (!calendar.includes('2030-10-01~2030-10-07=国庆节')) fail('the calendar holds: ' + calendar);
    if (admin.problems.length) fail('the page reported: ' + admin.problems.join('; '));

    // A viewer reads everything and commands nothing.
    const viewer = await logIn(browser, 'viewer', { width: 1280, height: 800 });
    await waitText(viewer.page, '#nextTime', (text) => text === expected, expected);
    for (const button of ['#stop', '#alarm', '#lockdown', '#run']) {
      if (await viewer.page.isVisible(button)) fail('a viewer sees ' + button);
    }
    if (shots) await viewer.page.screenshot({ path: path.join(shots, 'console-desktop.png') });
    await viewer.page.click('button[data-tab=log]');
    await viewer.page.waitForSelector('#logEntries tbody tr');
    if (viewer.problems.length) fail('the page reported: ' + viewer.problems.join('; '));
    console.log('ok');
  } finally {
    await browser.close();
  }
})().catch((error) => fail(error.stack || String(error)));
