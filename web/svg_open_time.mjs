// Seconds chromium takes to open and paint each SVG file given, one line per
// file: "PATH SECONDS". For the benchmark: a sheet's pages must open at once.
import { pathToFileURL } from 'node:url';
import { launchBrowser } from './harness.mjs';

const browser = await launchBrowser();
try {
  const page = await browser.newPage({ viewport: { width: 1240, height: 1754 } });
  for (const file of process.argv.slice(2)) {
    const start = performance.now();
    await page.goto(pathToFileURL(file).href, { waitUntil: 'load' });
    // a screenshot waits for the paint, which is where a heavy page is slow
    await page.screenshot({ type: 'png' });
    console.log(`${file} ${((performance.now() - start) / 1000).toFixed(3)}`);
  }
} finally {
  await browser.close();
}
