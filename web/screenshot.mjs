// A picture of the page after a model is unfolded, for the README and for
// looking at what a person sees.
// Usage: node screenshot.mjs KIVANO_EXE OUT.png [--up=z] [--size=390x844] MODEL [COMPANIONS...]
import { startServer, launchBrowser, dropFiles, apiFetch } from './harness.mjs';

const [exe, out, ...rest] = process.argv.slice(2);
const up = rest[0]?.startsWith('--up=') ? rest.shift().slice(5) : 'y';
const [width, height] = rest[0]?.startsWith('--size=') ? rest.shift().slice(7).split('x').map(Number) : [1280, 760];
const files = rest;
const { server, url, token } = await startServer(exe);
const browser = await launchBrowser();
try {
  const page = await browser.newPage({ viewport: { width, height } });
  page.setDefaultTimeout(300000);
  await page.goto(url);
  await page.selectOption('#up-axis', up);
  await dropFiles(page, files);
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '' || document.getElementById('error').textContent !== '');
  await page.waitForFunction(() => [...document.querySelectorAll('.sheet-page img')].every((img) => img.complete || img.getBoundingClientRect().top > innerHeight));
  // The largest net of page 1 pointed at, as a person would, to show the linked views.
  const href = await page.getAttribute('#download-pdf', 'href');
  if (href) {
    const { faces, pages } = await (await apiFetch(url, token, href.replace(/sheet\.pdf$/, 'faces'))).json();
    const count = new Map();
    for (const f of faces) if (f.page === 1) count.set(f.net, (count.get(f.net) ?? 0) + 1);
    const largest = [...count].sort((x, y) => y[1] - x[1])[0][0];
    const [a, b, c] = faces.find((f) => f.page === 1 && f.net === largest).paper;
    const sheet = await page.locator('.sheet-page').first().boundingBox();
    await page.mouse.move(sheet.x + ((a[0] + b[0] + c[0]) / 3 / pages[0].width) * sheet.width,
      sheet.y + ((a[1] + b[1] + c[1]) / 3 / pages[0].height) * sheet.height);
  }
  await page.screenshot({ path: out });
  console.log(await page.textContent('#summary') || await page.textContent('#error'));
} finally {
  await browser.close();
  server.kill('SIGTERM');
}
