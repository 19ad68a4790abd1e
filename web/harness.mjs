// What the browser test and the screenshot script share: a "kivano serve" of
// their own on a free port, Debian's chromium, and files dropped on the page.
import { spawn } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { basename } from 'node:path';
import { chromium } from 'playwright-core';

export function startServer(exe) {
  const server = spawn(exe, ['serve', '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    let out = '';
    server.stdout.on('data', (chunk) => {
      out += chunk;
      // The address carries the token the API asks of every caller.
      const address = out.match(/http:\/\/[\d.]+:\d+\/\?token=([0-9a-f]+)/);
      if (address) resolve({ server, url: address[0], token: address[1] });
    });
    server.on('exit', (code) => reject(new Error(`kivano serve ended with ${code}: ${out}`)));
  });
}

// The API as a script outside the browser calls it: with the token in a header.
export async function apiFetch(base, token, path) {
  const request = () => fetch(new URL(path, base), { headers: { 'X-Kivano-Token': token } });
  try {
    return await request();
  } catch {
    // A kept-alive connection the server closed after its idle seconds
    // (a slow step of the test in between) fails once; a new one answers.
    return request();
  }
}

// WebGL runs on SwiftShader in headless mode; the page is on loopback.
export function launchBrowser() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--no-proxy-server', '--enable-unsafe-swiftshader', '--use-angle=swiftshader'],
  });
}

// A drop as the browser makes it: the files in a DataTransfer on the drop zone.
export async function dropFiles(page, paths) {
  const files = paths.map((p) => ({ name: basename(p), data: readFileSync(p).toString('base64') }));
  await page.evaluate((files) => {
    const transfer = new DataTransfer();
    for (const f of files) {
      const bytes = Uint8Array.from(atob(f.data), (c) => c.charCodeAt(0));
      transfer.items.add(new File([bytes], f.name));
    }
    document.getElementById('drop').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, files);
}
