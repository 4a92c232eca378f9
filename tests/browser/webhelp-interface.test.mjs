// Checks in headless Chromium that a built WebHelp folder shows its
// translated interface: the navigation tabs and the search button carry the
// texts given on the command line, and no page script fails.
//
//   node webhelp-interface.test.mjs <webhelp folder> <Contents> <Index> <Search>
//
// Exit status 0 when every check passes; 1 with the failed check on stderr.
import fs from "node:fs";
import path from "node:path";
import { limitRunTime, openBrowser, serve, waitFor } from "./harness.mjs";

const [folderArg, contents, index, search] = process.argv.slice(2);
if (!folderArg || contents === undefined || index === undefined || search === undefined) {
  console.error("usage: node webhelp-interface.test.mjs <webhelp folder> <Contents> <Index> <Search>");
  process.exit(2);
}
const folder = path.resolve(folderArg);

limitRunTime();

const { server, base } = await serve(folder);
const { browser, page, pageErrors } = await openBrowser();
let failed = false;
try {
  const index_ = fs.existsSync(path.join(folder, "index.html")) ? "index.html" : "index.htm";
  await page.goto(base + index_);
  const nav = page.frameLocator('iframe[name="main"]').frameLocator('iframe[name="nav"]');
  const tabs = nav.frameLocator('iframe[name="tabs"]');
  const shown = async (pane) => (await tabs.locator(`button[data-pane="${pane}"]`).textContent()).trim();
  // Each tab must come to show its text; a timeout names what it showed.
  const showsText = (pane, name, text) => waitFor(async () => {
    const now = await shown(pane);
    if (now !== text) throw new Error(`${name} tab shows "${now}"`);
    return true;
  }, `the ${name} tab's translation`);
  await showsText("toc", "Contents", contents);
  await showsText("keywords", "Index", index);
  await showsText("find", "Search", search);
  if (pageErrors.length) throw new Error("page script errors: " + pageErrors.join("; "));
} catch (e) {
  failed = true;
  console.error("FAILED: " + e.message);
} finally {
  await browser.close();
  server.close();
}
process.exit(failed ? 1 : 0);
