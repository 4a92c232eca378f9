// Drives headless Chromium over a WebHelp folder written by the browser test
// (tests/builder/WebhelpBrowserTest.cpp), served from 127.0.0.1 by this script.
//
//   node webhelp.test.mjs <webhelp folder> <screenshot.png>
//
// The folder holds the topics "Welcome" (topic0), the book "Tools" (no page)
// with "Rake" (topic2) and "Spade" (topic3), and "Watering" (topic4). Exit
// status 0 when every check passes; 1 with the failed check on stderr.
import path from "node:path";
import { check, limitRunTime, openBrowser, serve, waitFor } from "./harness.mjs";

const [folderArg, screenshot] = process.argv.slice(2);
if (!folderArg || !screenshot) {
  console.error("usage: node webhelp.test.mjs <webhelp folder> <screenshot.png>");
  process.exit(2);
}
const folder = path.resolve(folderArg);

limitRunTime();

const { server, base } = await serve(folder);
const { browser, page, pageErrors } = await openBrowser();
let failed = false;

const content = () => page.frame({ name: "content" });
const showing = (topic) => waitFor(() => {
  const frame = content();
  return frame && frame.url().endsWith(`/pages/${topic}.htm`) && frame.url();
}, `the content frame to show ${topic}`);
const main = page.frameLocator('iframe[name="main"]');
const nav = main.frameLocator('iframe[name="nav"]');
const toc = nav.frameLocator('iframe[name="toc"]');
const tabs = nav.frameLocator('iframe[name="tabs"]');
const toolbar = page.frameLocator('iframe[name="banner"]').frameLocator('iframe[name="toolbar"]');
const selected = () => toc.locator("span.selected").getAttribute("id", { timeout: 1000 });

try {
  await page.goto(base + "index.htm");

  // The first page opens by itself; the synchronising script of the page
  // marks it in the contents tree.
  await showing("topic0");
  await waitFor(async () => (await selected()) === "l0", "the first topic to be marked in the contents");

  // Contents: the book's entries are hidden until its box is clicked; a
  // click on an entry loads its page and marks it.
  check(!(await toc.locator("#d1").isVisible()), "the closed book shows its entries");
  await toc.locator("#imgn1").click();
  await waitFor(() => toc.locator("#d1").isVisible(), "the book to open");
  await toc.locator("#l2").click();
  await showing("topic2");
  await waitFor(async () => (await content().textContent("body")).includes("The rake has tines"),
                "the Rake page's text");
  await waitFor(async () => (await selected()) === "l2", "Rake to be marked in the contents");

  // Previous and next: the toolbar's buttons walk the pages in contents
  // order (skipping the book), and so do the links of the topic page.
  await toolbar.locator('button[data-command="next"]').click();
  await showing("topic3");
  await waitFor(async () => (await selected()) === "l3", "Spade to be marked after Next");
  await toolbar.locator('button[data-command="previous"]').click();
  await showing("topic2");
  await toolbar.locator('button[data-command="previous"]').click();
  await showing("topic0");
  await content().locator(".qc-next a").click();
  await showing("topic2");
  await content().locator(".qc-prev a").click();
  await showing("topic0");

  // Index: the keywords are listed, a parent level above its entries, and a
  // keyword opens its page.
  await tabs.locator('button[data-pane="keywords"]').click();
  const keywords = nav.frameLocator('iframe[name="keywords"]');
  await waitFor(() => keywords.locator("#keywords").isVisible(), "the index pane");
  const options = (await keywords.locator("#keywords option").allTextContents()).map((t) => t.trim());
  for (const word of ["Digging", "Tools", "Rake", "Spade", "Water & Plants", "Welcome"])
    check(options.includes(word), `the index lacks "${word}" (it lists ${JSON.stringify(options)})`);
  check(options.indexOf("Tools") + 1 === options.indexOf("Rake"), "Rake does not follow its parent level Tools");
  await keywords.locator("#keywords option", { hasText: "Spade" }).click();
  await showing("topic3");
  await keywords.locator("#filter").fill("water");
  await keywords.locator("#filter").press("Enter");
  await showing("topic4");

  // Search: a word that only one topic holds finds that topic alone.
  await tabs.locator('button[data-pane="find"]').click();
  const find = nav.frameLocator('iframe[name="find"]');
  await find.locator("#query").fill("zanzibarite");
  await find.locator("#query").press("Enter");
  await waitFor(async () => (await find.locator("#results li").count()) > 0, "search results");
  const results = await find.locator("#results a").allTextContents();
  check(results.length === 1 && results[0] === "Rake", `the search found ${JSON.stringify(results)}, not only Rake`);
  await find.locator("#results a").first().click();
  await showing("topic2");
  await find.locator("#query").fill("spade");
  await find.locator("#query").press("Enter");
  await waitFor(async () => (await find.locator("#results a").allTextContents()).join() === "Spade",
                "a search for \"spade\" to find Spade");

  // A topic page opened on its own brings up the whole help showing itself.
  await page.goto(base + "pages/topic3.htm");
  await waitFor(() => page.url().includes("index.htm"), "the topic page to open the help around it");
  await showing("topic3");
  await waitFor(async () => (await selected()) === "l3", "Spade to be marked after opening its page alone");

  check(pageErrors.length === 0, `script errors in the pages: ${pageErrors.join("; ")}`);
  console.log("WebHelp browser checks passed");
} catch (error) {
  failed = true;
  console.error("FAILED: " + error.message);
} finally {
  try {
    await page.screenshot({ path: screenshot, timeout: 8000 });
  } catch (error) {
    console.error("no screenshot: " + error.message);
  }
  await browser.close();
  server.close();
}
process.exit(failed ? 1 : 0);
