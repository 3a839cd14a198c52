// SPDX-License-Identifier: GPL-3.0-or-later
// The page in real browsers, headless: Debian's chromium over the DevTools
// protocol and firefox-esr over WebDriver BiDi, both driven by puppeteer-core.
// Each file's texts are checked against the console tool's run on the same
// file, and the saved download against the file it converts.
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { pagePath, runTool, sampleBytes, tempFolder, webBuild } from './support.mjs';

const browsers = [
  {
    name: 'chromium',
    launch: {
      browser: 'chrome',
      executablePath: process.env.HAMSHIFT_CHROMIUM ?? '/usr/bin/chromium',
      args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync'],
    },
    schemes: ['light', 'dark'],
  },
  {
    name: 'firefox',
    launch: {
      browser: 'firefox',
      protocol: 'webDriverBiDi',
      executablePath: process.env.HAMSHIFT_FIREFOX ?? '/usr/bin/firefox-esr',
      // BiDi cannot emulate a colour scheme: Firefox runs the dark one.
      extraPrefsFirefox: { 'layout.css.prefers-color-scheme.content-override': 0 },
    },
    schemes: ['dark'],
  },
];
const only = process.env.HAMSHIFT_BROWSERS?.split(',');
const pageUrl = pathToFileURL(pagePath).href;
const shots = join(webBuild, 'screenshots');
mkdirSync(shots, { recursive: true });

// Sample files written under the names given, for the file picker.
function sampleFiles(files) {
  const folder = tempFolder('pick');
  return Object.entries(files).map(([name, bytes]) => {
    writeFileSync(join(folder, name), bytes);
    return join(folder, name);
  });
}

// What the page shows of every file, in one call.
const shown = (page) => page.evaluate(() =>
  [...document.querySelectorAll('#results section')].map((section) => ({
    name: section.querySelector('h2').textContent,
    lines: [...section.querySelectorAll('.lines p')].map((p) => p.textContent),
    header: [...section.querySelectorAll('thead th')].map((th) => th.textContent),
    rows: [...section.querySelectorAll('tbody tr')].map((tr) => [...tr.cells].map((td) => td.textContent)),
    save: section.querySelector('.save button')?.textContent ?? null,
  })));

// The console tool's lines for the file, with its banner and blank lines
// left out as the page leaves them out; and its dry run's rows.
function consoleView(name, bytes) {
  const text = (output) => Buffer.from(output, 'latin1').toString('utf8').split('\r\n');
  const lines = text(runTool(name, bytes).output).slice(10).filter((line) => line.trim());
  const rows = text(runTool(name, bytes, ['--dry-run']).output)
    .filter((line) => / -> |^\S.* {2,}\d+ {2}/.test(line) && !line.startsWith('Table '))
    .map((line) => line.split(/\s{2,}/));
  return { lines, rows };
}

async function choose(page, paths) {
  const picker = await page.$('#files');
  await picker.uploadFile(...paths);
}

// Starts the clock as the file is chosen and stops it when the table is in
// the page and when the next frame begins.
const startClock = (page) => page.evaluate(() => {
  window.tableTimes = new Promise((resolve) => {
    let start = 0;
    document.addEventListener('change', () => { start = performance.now(); }, { capture: true });
    new MutationObserver((_, observer) => {
      if (!document.querySelector('#results tbody tr')) return;
      observer.disconnect();
      const inPage = performance.now() - start;
      requestAnimationFrame(() => resolve({ inPage, frame: performance.now() - start }));
    }).observe(document.getElementById('results'), { childList: true, subtree: true });
  });
});

async function waitForFile(path, length) {
  for (let waited = 0; waited < 10000; waited += 50) {
    if (existsSync(path) && readFileSync(path).length === length) return readFileSync(path);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  throw new Error(`${path} was not saved`);
}

for (const kind of browsers.filter((b) => !only || only.includes(b.name))) {
  describe(kind.name, () => {
    let browser;
    let context;
    let downloads;
    const openPage = async (url = pageUrl) => {
      const page = await context.newPage();
      await page.setViewport({ width: 1280, height: 900 });
      await page.goto(url);
      await page.waitForSelector('#banner .lines');
      return page;
    };

    before(async () => {
      browser = await puppeteer.launch({ headless: true, ...kind.launch });
      downloads = tempFolder(`${kind.name}-downloads`);
      // For Chromium, puppeteer makes this the DevTools Browser.setDownloadBehavior
      // call; for Firefox, BiDi's browser.setDownloadBehavior.
      context = await browser.createBrowserContext({
        downloadBehavior: { policy: 'allow', downloadPath: downloads },
      });
    });
    after(() => browser?.close());

    test('a worst-case file: its table, the saved file, the time to the table', async () => {
      const bytes = sampleBytes('worst');
      const page = await openPage();
      await startClock(page);
      await choose(page, sampleFiles({ 'RADIO.DAT': bytes }));
      await page.waitForSelector('#results tbody tr');
      const times = await page.evaluate(() => window.tableTimes);
      console.log(`${kind.name}: file chosen to table in the page ${times.inPage.toFixed(1)} ms, ` +
        `to the next frame ${times.frame.toFixed(1)} ms`);

      const [file] = await shown(page);
      const expected = consoleView('RADIO.DAT', bytes);
      assert.equal(file.rows.length, 176);
      assert.equal(file.rows.flat().filter((cell) => cell.includes(' -> ')).length, 352);
      assert.deepEqual(file.rows, expected.rows);
      assert.deepEqual(file.header, ['Table', 'Record', 'Frequency 1, MHz', 'Frequency 2, MHz']);
      assert.deepEqual(file.lines, expected.lines);
      assert.equal(file.save, 'Save the converted RADIO.DAT');

      await page.click('.save button');
      const saved = await waitForFile(join(downloads, 'RADIO.DAT'), bytes.length);
      assert.deepEqual(new Uint8Array(saved), runTool('RADIO.DAT', bytes).bytes);
      assert.match(await page.$eval('.said', (p) => p.textContent), /went to your browser's downloads/);

      for (const width of [1280, 360]) {
        await page.setViewport({ width, height: 900 });
        const overflow = await page.evaluate(() => document.documentElement.scrollWidth - innerWidth);
        assert.ok(overflow <= 0, `${width} px: the page is ${overflow} px too wide`);
        await page.screenshot({ path: join(shots, `${kind.name}-${width}.png`), fullPage: true });
      }
      await page.close();
    });

    test('several files at once, each with its own outcome', async () => {
      const files = {
        'V1 DECK2.DAT': sampleBytes('v1-deck2'),
        'OLD.dat': sampleBytes('kpg59d'),
        'NODECK.DAT': sampleBytes('no-deck'),
        'OTHER.DAT': sampleBytes('other'),
        'NOTES.TXT': sampleBytes('v2-deck1'),
        'HUGE.DAT': new Uint8Array(1024 * 1024 + 1),
      };
      const page = await openPage();
      await page.evaluate(() => {
        window.filesRead = [];
        const read = File.prototype.arrayBuffer;
        File.prototype.arrayBuffer = function () {
          window.filesRead.push(this.name);
          return read.call(this);
        };
      });
      await choose(page, sampleFiles(files));
      await page.waitForFunction((count) =>
        document.querySelectorAll('#results section .lines').length === count, {}, 6);
      const sections = await shown(page);
      assert.deepEqual(sections.map((s) => s.name), Object.keys(files));
      for (const section of sections.slice(0, 5)) {
        const expected = consoleView(section.name, files[section.name]);
        assert.deepEqual(section.lines, expected.lines, section.name);
        assert.deepEqual(section.rows, expected.rows, section.name);
      }
      assert.deepEqual(sections.map((s) => s.save),
        ['Save the converted V1 DECK2.DAT', 'Save the converted OLD.dat', null, null, null, null]);
      assert.deepEqual(sections[5].lines, ['HUGE.DAT is larger than 1 MiB, far larger than any data ' +
        'file, so it was not read. No change was made.']);
      assert.ok(!(await page.evaluate(() => window.filesRead)).includes('HUGE.DAT'));
      await page.close();
    });

    test('a file dropped on the page', async () => {
      const bytes = sampleBytes('v2-deck2');
      const page = await openPage();
      await page.evaluate((data) => {
        const transfer = new DataTransfer();
        transfer.items.add(new File([new Uint8Array(data)], 'DROPPED.DAT'));
        document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
      }, [...bytes]);
      await page.waitForSelector('#results .lines');
      const [file] = await shown(page);
      assert.deepEqual(file.lines, consoleView('DROPPED.DAT', bytes).lines);
      await page.close();
    });

    test('light and dark schemes, each readable', async () => {
      const page = await openPage();
      await page.setViewport({ width: 1000, height: 900 });
      await choose(page, sampleFiles({ 'RADIO.DAT': sampleBytes('v2-deck1') }));
      await page.waitForSelector('.save button');
      for (const scheme of kind.schemes) {
        if (kind.schemes.length > 1)
          await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
        const colours = await page.evaluate(() => {
          // WCAG's relative luminance and contrast ratio of computed rgb() colours.
          const luminance = (colour) => {
            const [r, g, b] = colour.match(/\d+/g).slice(0, 3).map((c) => {
              const s = c / 255;
              return s <= 0.03928 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
            });
            return 0.2126 * r + 0.7152 * g + 0.0722 * b;
          };
          const contrast = (a, b) => {
            const [light, dark] = [luminance(a), luminance(b)].sort((x, y) => y - x);
            return (light + 0.05) / (dark + 0.05);
          };
          const body = getComputedStyle(document.body);
          const button = getComputedStyle(document.querySelector('.save button'));
          return {
            back: luminance(body.backgroundColor),
            text: contrast(body.color, body.backgroundColor),
            button: contrast(button.color, button.backgroundColor),
          };
        });
        assert.ok(scheme === 'light' ? colours.back > 0.8 : colours.back < 0.05, scheme);
        assert.ok(colours.text >= 7 && colours.button >= 4.5, JSON.stringify(colours));
        await page.screenshot({ path: join(shots, `${kind.name}-${scheme}.png`) });
      }
      await page.close();
    });

    test('keyboard only: the picker, the table and the save button reached by Tab', async () => {
      const bytes = sampleBytes('v1-deck1');
      const page = await openPage();
      // Tab until `selector` has the focus; gives whether its focus ring shows.
      const tabTo = async (selector) => {
        for (let presses = 0; presses < 12; presses += 1) {
          const ring = await page.evaluate((wanted) => {
            const focused = document.activeElement;
            return focused?.matches(wanted) ? getComputedStyle(focused).outlineStyle : null;
          }, selector);
          if (ring) return ring;
          await page.keyboard.press('Tab');
        }
        throw new Error(`Tab never reached ${selector}`);
      };
      assert.equal(await tabTo('#files'), 'solid');
      const [chooser] = await Promise.all([page.waitForFileChooser(), page.keyboard.press(' ')]);
      await chooser.accept(sampleFiles({ 'KEYS.DAT': bytes }));
      await page.waitForSelector('.save button');
      assert.equal(await tabTo('.preview'), 'solid');
      assert.equal(await tabTo('.save button'), 'solid');
      await page.keyboard.press('Enter');
      const saved = await waitForFile(join(downloads, 'KEYS.DAT'), bytes.length);
      assert.deepEqual(new Uint8Array(saved), runTool('KEYS.DAT', bytes).bytes);
      await page.close();
    });

    test('no request to any server, from a web server or the disk', async () => {
      let served = 0;
      const server = createServer((request, response) => {
        served += 1;
        response.setHeader('Content-Type', 'text/html; charset=utf-8');
        response.end(readFileSync(pagePath));
      });
      await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
      const url = `http://127.0.0.1:${server.address().port}/`;
      try {
        for (const address of [url, pageUrl]) {
          const requests = [];
          const page = await context.newPage();
          page.on('request', (request) => requests.push(request.url()));
          await page.goto(address);
          await page.waitForSelector('#banner .lines');
          await choose(page, sampleFiles({ 'RADIO.DAT': sampleBytes('v2-deck1') }));
          await page.waitForSelector('#results tbody tr');
          await page.click('.save button');
          await page.waitForSelector('.said:not(:empty)');
          await new Promise((resolve) => setTimeout(resolve, 300));
          // A data: or blob: address is the page's own bytes: it reaches no server.
          const others = requests.filter((made) => made !== address && !/^(blob|data):/.test(made));
          console.log(`${kind.name}: ${address.slice(0, 4)}: ${requests.length} request(s) seen: ${requests.join(' ')}`);
          assert.deepEqual(others, [], `requests beyond the page itself from ${address}`);
          await page.close();
        }
        assert.equal(served, 1, 'the server was asked for the page alone');
      } finally {
        server.close();
      }
    });
  });
}
