// What both browser checks share: a one-minute limit on the whole script, a
// static server for the WebHelp folder, polling, and headless Chromium with
// a page that records script errors.
import { chromium } from "playwright-core";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

// Nothing may hang the test run: the whole script has one minute.
export function limitRunTime() {
  setTimeout(() => {
    console.error("FAILED: the browser test did not finish within 60 seconds");
    process.exit(3);
  }, 60000).unref();
}

const types = { ".htm": "text/html", ".html": "text/html", ".js": "text/javascript", ".css": "text/css",
                ".gif": "image/gif", ".png": "image/png", ".jpg": "image/jpeg" };

// Serves the folder from 127.0.0.1; names outside it are refused. Gives the
// server and the address of the folder's root.
export async function serve(folder) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://127.0.0.1").pathname);
    const file = path.resolve(folder, "." + name);
    if (!file.startsWith(folder + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { "Content-Type": types[path.extname(file).toLowerCase()] || "application/octet-stream" });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { server, base: `http://127.0.0.1:${server.address().port}/` };
}

export function check(condition, message) {
  if (!condition) throw new Error(message);
}

// Polls until probe() gives a true value and gives it; fails with what was
// awaited and the last value or error seen.
export async function waitFor(probe, what, ms = 8000) {
  const end = Date.now() + ms;
  let last;
  for (;;) {
    try {
      last = await probe();
      if (last) return last;
    } catch (e) {
      last = e.message;
    }
    if (Date.now() > end) throw new Error(`timed out waiting for ${what} (last: ${last})`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

// Headless Chromium with one page; the page's script errors are collected.
export async function openBrowser() {
  const browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
           "--disable-sync", "--no-first-run"],
    timeout: 30000,
  });
  const page = await browser.newPage({ viewport: { width: 1100, height: 700 } });
  page.setDefaultTimeout(8000);
  const pageErrors = [];
  page.on("pageerror", (error) => pageErrors.push(error.message));
  return { browser, page, pageErrors };
}
