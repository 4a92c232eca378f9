// Checks in headless Chromium that a built WebHelp folder shows its
// translated interface: the navigation tabs and the search button carry the
// texts given on the command line, and no page script fails.
//
//   node webhelp-interface.test.mjs <webhelp folder> <Contents> <Index> <Search>
//
// Exit status 0 when every check passes; 1 with the failed check on stderr.
import { chromium } from "playwright-core";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const [folderArg, contents, index, search] = process.argv.slice(2);
if (!folderArg || contents === undefined || index === undefined || search === undefined) {
  console.error("usage: node webhelp-interface.test.mjs <webhelp folder> <Contents> <Index> <Search>");
  process.exit(2);
}
const folder = path.resolve(folderArg);

setTimeout(() => {
  console.error("FAILED: the browser test did not finish within 60 seconds");
  process.exit(3);
}, 60000).unref();

const types = { ".htm": "text/html", ".html": "text/html", ".js": "text/javascript", ".css": "text/css",
                ".gif": "image/gif", ".png": "image/png", ".jpg": "image/jpeg" };

// A static server for the folder; names outside it are refused.
function serve() {
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
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

async function waitFor(probe, what, ms = 8000) {
  const end = Date.now() + ms;
  let last;
  for (;;) {
    try {
      last = await probe();
      if (last === true) return;
    } catch (e) {
      last = e.message;
    }
    if (Date.now() > end) throw new Error(`timed out waiting for ${what} (last: ${last})`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

const server = await serve();
const base = `http://127.0.0.1:${server.address().port}/`;
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
let failed = false;
try {
  const index_ = fs.existsSync(path.join(folder, "index.html")) ? "index.html" : "index.htm";
  await page.goto(base + index_);
  const nav = page.frameLocator('iframe[name="main"]').frameLocator('iframe[name="nav"]');
  const tabs = nav.frameLocator('iframe[name="tabs"]');
  const shown = async (pane) => (await tabs.locator(`button[data-pane="${pane}"]`).textContent()).trim();
  await waitFor(async () => (await shown("toc")) === contents || `Contents tab shows "${await shown("toc")}"`,
                "the Contents tab's translation");
  await waitFor(async () => (await shown("keywords")) === index || `Index tab shows "${await shown("keywords")}"`,
                "the Index tab's translation");
  await waitFor(async () => (await shown("find")) === search || `Search tab shows "${await shown("find")}"`,
                "the Search tab's translation");
  if (pageErrors.length) throw new Error("page script errors: " + pageErrors.join("; "));
} catch (e) {
  failed = true;
  console.error("FAILED: " + e.message);
} finally {
  await browser.close();
  server.close();
}
process.exit(failed ? 1 : 0);
