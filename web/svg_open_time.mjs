// Seconds chromium takes to open and paint each SVG file given, one line per
// file: "PATH SECONDS". For the benchmark: a sheet's pages must open at once.
import { pathToFileURL } from 'node:url';
import { launchBrowser } from './harness.mjs';

const browser = await launchBrowser();
try {
  const page = await browser.newPage({ viewport: { width: 1240, height: 1754 } });
  // the browser's own start is no page's cost
  await page.goto('about:blank');
  for (const file of process.argv.slice(2)) {
    const start = performance.now();
    await page.goto(pathToFileURL(file).href, { waitUntil: 'load' });
    // two frames: the second starts only once the first is painted, which is
    // where a heavy page is slow
    await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
    console.log(`${file} ${((performance.now() - start) / 1000).toFixed(3)}`);
  }
} finally {
  await browser.close();
}
