// The WebHelp data files beside the program: the page skeletons, the style
// sheet, the interface-string list, the translations and the images that the
// WebHelp writer fills and copies. The build copies them into the folder of
// the executables, which is where the writer looks for them.
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringConverter>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QStringList kFramePages = {
    QStringLiteral("index.htm"),           QStringLiteral("indexh.htm"),
    QStringLiteral("webhelpframe.htm"),    QStringLiteral("webhelptop.htm"),
    QStringLiteral("webhelptoph.htm"),     QStringLiteral("webhelpcontents.htm"),
    QStringLiteral("webhelplefth.htm"),    QStringLiteral("webhelpsearch.htm"),
    QStringLiteral("webhelpbookmark.htm"), QStringLiteral("webhelpleft.htm"),
    QStringLiteral("webhelptoolbar.htm")};
const QString kIndexPage = QStringLiteral("webhelpindex.htm");

const QStringList kTreeImages = {
    QStringLiteral("blank.gif"),   QStringLiteral("line.gif"),    QStringLiteral("downangle.gif"),
    QStringLiteral("tshaped.gif"), QStringLiteral("upangle.gif"), QStringLiteral("sline.gif"),
    QStringLiteral("plus.gif"),    QStringLiteral("minus.gif"),   QStringLiteral("daplus.gif"),
    QStringLiteral("daminus.gif"), QStringLiteral("tplus.gif"),   QStringLiteral("tminus.gif"),
    QStringLiteral("uaplus.gif"),  QStringLiteral("uaminus.gif"), QStringLiteral("splus.gif"),
    QStringLiteral("sminus.gif")};
const QStringList kButtonImages = {QStringLiteral("showall.gif"), QStringLiteral("hideall.gif"),
                                   QStringLiteral("previous.gif"), QStringLiteral("next.gif"),
                                   QStringLiteral("print.gif")};

const QString kBeginBar = QStringLiteral("<!--BEGINBAR-->");
const QString kEndBar = QStringLiteral("<!--ENDBAR-->");

QString webhelpDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/webhelp");
}

QString readText(const QString &name)
{
    return QString::fromUtf8(testsupport::readFile(webhelpDir() + QLatin1Char('/') + name));
}

QStringList allPages()
{
    return kFramePages + QStringList{kIndexPage};
}

// The placeholders that the writer fills in a page; any other would reach
// the output as it stands.
QSet<QString> filledPlaceholders(const QString &page)
{
    if (page == kIndexPage)
        return {QStringLiteral("($PROJECTTITLE$)"), QStringLiteral("($INDEXLIST$)"),
                QStringLiteral("($BACKCOLOR$)")};
    QSet<QString> filled{QStringLiteral("($PROJECTTITLE$)"), QStringLiteral("($DEFAULTPAGE$)"),
                         QStringLiteral("($NAVWIDTH$)"),     QStringLiteral("($BACKCOLOR$)"),
                         QStringLiteral("($FONTCOLOR$)"),    QStringLiteral("($TOCBACKCOLOR$)")};
    if (page == QStringLiteral("webhelpcontents.htm") || page == QStringLiteral("webhelplefth.htm"))
        filled.insert(QStringLiteral("($NAVIGATION$)"));
    return filled;
}

// The page as a project without an index gets it: the bars removed and the
// lines kept for that case switched on.
QString withoutIndex(QString text)
{
    qsizetype start;
    while ((start = text.indexOf(kBeginBar)) >= 0) {
        const qsizetype end = text.indexOf(kEndBar, start + kBeginBar.size());
        text.remove(start, end < 0 ? text.size() - start : end + kEndBar.size() - start);
    }
    return text.replace(QStringLiteral("//document"), QStringLiteral("document"), Qt::CaseInsensitive);
}

QStringList inlineScripts(const QString &page)
{
    static const QRegularExpression script(QStringLiteral("<script(\\s[^>]*)?>(.*?)</script>"),
                                           QRegularExpression::DotMatchesEverythingOption |
                                               QRegularExpression::CaseInsensitiveOption);
    QStringList scripts;
    for (auto it = script.globalMatch(page); it.hasNext();) {
        const auto match = it.next();
        if (!match.captured(1).contains(QStringLiteral("src="), Qt::CaseInsensitive))
            scripts << match.captured(2);
    }
    return scripts;
}

// Local files named by a page or the style sheet: attribute values, CSS
// url() values and quoted names in scripts.
QStringList referencedFiles(const QString &text)
{
    static const QRegularExpression reference(QStringLiteral(
        "(?:\\b(?:src|href|data-src)=\"([^\"#?]*)\")|(?:url\\(\"?([^\")]+)\"?\\))|"
        "(?:[\"']([\\w./-]+\\.(?:htm|gif|jpg|css|js))[\"'])"));
    QStringList files;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        for (int group = 1; group <= 3; ++group)
            if (!match.captured(group).isEmpty())
                files << match.captured(group);
    }
    return files;
}

// Where a file of the output comes from in the program's webhelp folder;
// empty for what the writer makes itself (topic pages and the two scripts).
QStringList sourcesOf(const QString &outputName)
{
    if (outputName.startsWith(QStringLiteral("pages/")) || outputName == QStringLiteral("languages.js") ||
        outputName == QStringLiteral("data.js") || outputName.startsWith(QStringLiteral("data:")))
        return {};
    if (outputName == QStringLiteral("back.jpg"))
        return {QStringLiteral("bg/back1.jpg")};
    // A bare image name in a script swaps one tree image for another.
    if (!outputName.contains(QLatin1Char('/')) && outputName.endsWith(QStringLiteral(".gif")))
        return {QStringLiteral("imgs/") + outputName};
    if (outputName.startsWith(QStringLiteral("icons/"))) {
        const QString file = outputName.mid(6);
        return {QStringLiteral("imgs/") + file, QStringLiteral("icons/") + file,
                QStringLiteral("ricons/") + file};
    }
    return {outputName};
}

struct ImageSize {
    int width = 0;
    int height = 0;
};

ImageSize gifSize(const QByteArray &bytes)
{
    if (bytes.size() < 13 || !(bytes.startsWith("GIF89a") || bytes.startsWith("GIF87a")) ||
        !bytes.endsWith(char(0x3B)))
        return {};
    const auto u = [&](int i) { return int(uchar(bytes[i])); };
    return {u(6) | (u(7) << 8), u(8) | (u(9) << 8)};
}

QStringList interfaceNames()
{
    // The writer takes the text between the first [" and the first "] of a line.
    QStringList names;
    for (const QString &line : readText(QStringLiteral("languages.txt")).split(QLatin1Char('\n'))) {
        const qsizetype open = line.indexOf(QStringLiteral("[\""));
        const qsizetype close = line.indexOf(QStringLiteral("\"]"));
        if (open < 0 || close < open + 2)
            continue;
        const QString name = line.mid(open + 2, close - open - 2).trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

QString nodeProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("node"));
}

// Runs a script with node; its output lines, or an empty list after a
// failure (which fails the test).
QStringList runNode(const QString &script, const QStringList &arguments)
{
    QProcess process;
    process.start(nodeProgram(), QStringList{script} + arguments);
    if (!process.waitForFinished(30000)) {
        ADD_FAILURE() << "node did not finish: " << script.toStdString();
        return {};
    }
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void expectLines(const QStringList &lines, const QStringList &expected)
{
    EXPECT_EQ(lines.size(), expected.size());
    for (qsizetype i = 0; i < std::min(lines.size(), expected.size()); ++i)
        EXPECT_EQ(lines[i].toStdString(), expected[i].toStdString()) << "line " << i;
}

// Runs the search page's script on a data.js, with a minimal stand-in for
// the page's elements; prints one JSON line per query.
const char *const kSearchHarness = R"JS(const vm = require("vm");
const fs = require("fs");
const [page, data, ...queries] = process.argv.slice(2);
const html = fs.readFileSync(page, "utf8");
const sandbox = { addEventListener() {}, parent: { postMessage() {} } };
sandbox.window = sandbox;
function element(tag) {
  return {
    tagName: tag, children: [], listeners: {}, dataset: {}, own: "", value: "",
    classList: { add() {}, remove() {} },
    get textContent() { return this.own + this.children.map((c) => c.textContent).join(""); },
    set textContent(v) { this.own = String(v); this.children = []; },
    appendChild(child) {
      this.children.push(child);
      if (child.tagName === "script") {
        vm.runInContext(fs.readFileSync(data, "utf8"), sandbox);
        child.onload();
      }
      return child;
    },
    addEventListener(type, fn) { this.listeners[type] = fn; },
    querySelector() { return null; },
    remove() {},
  };
}
const named = {};
for (const id of ["searchform", "query", "status", "results"]) named[id] = element(id);
sandbox.document = {
  getElementById: (id) => named[id] || null,
  createElement: element,
  querySelectorAll: () => [],
  head: element("head"),
};
vm.createContext(sandbox);
for (const match of html.matchAll(/<script>([\s\S]*?)<\/script>/g)) vm.runInContext(match[1], sandbox);
for (const query of queries) {
  named.query.value = query;
  named.searchform.listeners.submit({ preventDefault() {} });
  const found = named.results.children.map((item) => item.children[0]);
  console.log(JSON.stringify({ status: named.status.textContent,
                               topics: found.map((link) => link.textContent + " " + link.href) }));
}
)JS";

// Runs the keyword index page's script on a filled page, with a minimal
// stand-in for its elements. "filter:TEXT" prints the options left visible;
// "open:KEYWORD" prints the pages opened or offered.
const char *const kIndexHarness = R"JS(const vm = require("vm");
const fs = require("fs");
const [page, ...commands] = process.argv.slice(2);
const html = fs.readFileSync(page, "utf8");
const decode = (s) => s.replace(/&nbsp;/g, "\u00a0").replace(/&quot;/g, '"').replace(/&#39;/g, "'")
  .replace(/&lt;/g, "<").replace(/&gt;/g, ">").replace(/&amp;/g, "&");
const opened = [];
function element(tag) {
  return {
    tagName: tag, children: [], listeners: {}, dataset: {}, own: "", value: "", hidden: false,
    get textContent() { return this.own + this.children.map((c) => c.textContent).join(""); },
    set textContent(v) { this.own = String(v); this.children = []; },
    appendChild(child) { this.children.push(child); return child; },
    addEventListener(type, fn) { this.listeners[type] = fn; },
    click() { opened.push(this.href); },
    focus() {},
    remove() {},
  };
}
const select = element("select");
const list = /<select[^>]*>([\s\S]*?)<\/select>/.exec(html)[1];
select.options = [...list.matchAll(/<option( value="([^"]*)")?>([\s\S]*?)<\/option>/g)].map((m, index) => ({
  index, hidden: false, className: "", text: decode(m[3]), value: m[1] ? decode(m[2]) : undefined,
  hasAttribute(name) { return name === "value" && m[1] !== undefined; },
}));
select.selectedIndex = -1;
const named = { keywords: select };
for (const id of ["filter", "empty", "choice", "choicelist"]) named[id] = element(id);
const sandbox = {
  addEventListener() {},
  parent: { postMessage() {} },
  document: { getElementById: (id) => named[id] || null, createElement: element,
              querySelectorAll: () => [], body: element("body") },
};
sandbox.window = sandbox;
vm.createContext(sandbox);
for (const match of html.matchAll(/<script>([\s\S]*?)<\/script>/g)) vm.runInContext(match[1], sandbox);
for (const command of commands) {
  const [verb, argument] = [command.slice(0, command.indexOf(":")), command.slice(command.indexOf(":") + 1)];
  opened.length = 0;
  if (verb === "filter") {
    named.filter.value = argument;
    named.filter.listeners.input();
    console.log(JSON.stringify(select.options.filter((o) => !o.hidden).map((o) => o.text)));
  } else {
    select.selectedIndex = select.options.findIndex((o) => o.text.trim() === argument);
    select.listeners.click();
    const offered = named.choice.hidden ? [] : named.choicelist.children.map((li) => li.children[0].textContent + " " + li.children[0].href);
    console.log(JSON.stringify({ opened: [...opened], offered }));
  }
}
)JS";

// Runs the contents page's script on a generated tree, with a small stand-in
// for the document. Commands: "node:N", "link:N", "dbl:N" click entry N's box,
// title or title twice; "msg:JSON" posts a message to the page; "state"
// prints the open blocks, the selected entry and the page opened since the
// last state; "images" the boxes and icons; "loaded" the tree's flag.
const char *const kTreeHarness = R"JS(const vm = require("vm");
const fs = require("fs");
const [page, treeFile, ...commands] = process.argv.slice(2);
const html = fs.readFileSync(page, "utf8").replace("($NAVIGATION$)", fs.readFileSync(treeFile, "utf8"));
const byId = {};
const domReady = [];
const messageListeners = [];
let opened = "";

class Element {
  constructor(tag, attributes, parent) {
    this.tag = tag;
    this.attributes = attributes;
    this.children = [];
    this.parentNode = parent;
    this.style = { display: /display:\s*none/.test(attributes.style || "") ? "none" : "" };
    if (attributes.id) byId[attributes.id] = this;
  }
  get id() { return this.attributes.id || ""; }
  get className() { return this.attributes.class || ""; }
  set className(value) { this.attributes.class = value; }
  getAttribute(name) { return name in this.attributes ? this.attributes[name] : null; }
  setAttribute(name, value) { this.attributes[name] = String(value); }
  removeAttribute(name) { delete this.attributes[name]; }
  querySelector(tag) {
    for (const child of this.children) {
      if (child.tag === tag) return child;
      const found = child.querySelector(tag);
      if (found) return found;
    }
    return null;
  }
  getBoundingClientRect() { return { top: 0, bottom: 0 }; }
  click(detail = 0) {
    const handler = this.attributes.onclick;
    sandbox.event = { detail };
    const follow = handler ? vm.runInContext("(function () {" + handler + "\n}).call(null)", sandbox) : true;
    sandbox.event = undefined;
    if (follow !== false && this.tag === "a" && this.attributes.href !== "#") opened = this.attributes.href;
  }
}

function all(element, test, found = []) {
  for (const child of element.children) {
    if (test(child)) found.push(child);
    all(child, test, found);
  }
  return found;
}

const root = new Element("#root", {}, null);
const sandbox = {
  addEventListener: (type, fn) => { if (type === "message") messageListeners.push(fn); },
  parent: { postMessage() {}, parent: { postMessage() {} } },
  scrollBy() {},
  innerHeight: 600,
  document: {
    getElementById: (id) => byId[id] || null,
    addEventListener: (type, fn) => { if (type === "DOMContentLoaded") domReady.push(fn); },
    querySelectorAll: (selector) => {
      if (selector === 'span[id^="l"]') return all(root, (e) => e.tag === "span" && e.id.startsWith("l"));
      return [];
    },
  },
};
sandbox.window = sandbox;
sandbox.parent.parent = sandbox.parent;
vm.createContext(sandbox);

// Builds the body and runs the scripts in document order.
const token = /<script[^>]*>([\s\S]*?)<\/script>|<(\/?)([a-zA-Z]+)((?:\s+[\w-]+(?:="[^"]*")?)*)\s*\/?>|<!--[\s\S]*?-->|<!DOCTYPE[^>]*>/g;
let current = root;
for (let match; (match = token.exec(html));) {
  if (match[1] !== undefined) {
    vm.runInContext(match[1], sandbox);
  } else if (match[3]) {
    const tag = match[3].toLowerCase();
    if (match[2]) {
      if (current.tag === tag) current = current.parentNode;
    } else {
      const attributes = {};
      for (const a of match[4].matchAll(/([\w-]+)(?:="([^"]*)")?/g)) attributes[a[1].toLowerCase()] = a[2] || "";
      const element = new Element(tag, attributes, current);
      current.children.push(element);
      if (!["img", "meta", "link", "br", "input"].includes(tag)) current = element;
    }
  }
}
domReady.forEach((fn) => fn());

const entryLink = (n) => byId["l" + n].parentNode;
for (const command of commands) {
  const [verb, argument] = [command.split(":")[0], command.slice(command.indexOf(":") + 1)];
  if (verb === "node") byId["imgn" + argument].parentNode.click();
  else if (verb === "link") entryLink(argument).click(1);
  else if (verb === "dbl") {
    const link = entryLink(argument);
    link.click(1);
    link.click(2);
    vm.runInContext("(function () {" + link.attributes.ondblclick + "\n})()", sandbox);
  } else if (verb === "msg") messageListeners.forEach((fn) => fn({ data: JSON.parse(argument) }));
  else if (verb === "state") {
    const blocks = all(root, (e) => e.tag === "div" && /^d\d+$/.test(e.id));
    console.log(JSON.stringify({
      open: blocks.filter((e) => e.style.display !== "none").map((e) => e.id),
      selected: all(root, (e) => e.className === "selected").map((e) => e.id),
      opened: opened,
    }));
    opened = "";
  } else if (verb === "images") {
    const images = all(root, (e) => e.tag === "img" && /^img/.test(e.id));
    console.log(images.map((e) => e.id + "=" + e.getAttribute("src").replace("icons/", "")).join(" "));
  } else if (verb === "loaded") {
    console.log(vm.runInContext("String(tree.loaded)", sandbox));
  }
}
)JS";

// A contents tree in its generated form: book 0 with a page holds pages 1
// and 2; book 3 without a page holds book 4 with a page, which holds page 5;
// page 6 closes the list.
const char *const kSampleTree = R"TREE(<script>SetEnv(0,false)</script><div><nobr><a href="#" onClick="return NodeClick('0')"><img id="imgn0" src="icons/daplus.gif" class="p"></a><a href="pages/start.htm" onclick="return LinkClick('0',true,true)" onDblClick="return LinkDblClick('0')" target="content" title="Start" onmousemove="window.status='Start'"><img id="img0" src="icons/1.gif" class="p"> <span id="l0" class="unselected">Start</span></a></nobr></div>
<div id="d0" style="display:none"><div><nobr><img src="icons/line.gif" class="p"><img src="icons/tshaped.gif" class="p"><a href="pages/install.htm" onclick="return LinkClick('1',false,true)" target="content" title="Install" onmousemove="window.status='Install'"><img src="icons/11.gif" class="p"> <span id="l1" class="unselected">Install</span></a></nobr></div>
<div><nobr><img src="icons/line.gif" class="p"><img src="icons/upangle.gif" class="p"><a href="pages/upgrade.htm" onclick="return LinkClick('2',false,true)" target="content" title="It's" onmousemove="window.status='It\'s'"><img src="icons/11.gif" class="p"> <span id="l2" class="unselected">It's</span></a></nobr></div>
</div><div><nobr><a href="#" onClick="return NodeClick('3')"><img id="imgn3" src="icons/tplus.gif" class="p"></a><a href="#" onclick="return LinkClick('3',true,false)" onDblClick="return LinkDblClick('3')" target="content" title="Reference" onmousemove="window.status='Reference'"><img id="img3" src="icons/5.gif" class="p"> <span id="l3" class="unselected">Reference</span></a></nobr></div>
<div id="d3" style="display:none"><div><nobr><img src="icons/line.gif" class="p"><a href="#" onClick="return NodeClick('4')"><img id="imgn4" src="icons/uaplus.gif" class="p"></a><a href="pages/options.htm" onclick="return LinkClick('4',true,true)" onDblClick="return LinkDblClick('4')" target="content" title="Options" onmousemove="window.status='Options'"><img id="img4" src="icons/3.gif" class="p"> <span id="l4" class="unselected">Options</span></a></nobr></div>
<div id="d4" style="display:none"><div><nobr><img src="icons/line.gif" class="p"><img src="icons/blank.gif" class="p"><img src="icons/upangle.gif" class="p"><a href="pages/deep.htm" onclick="return LinkClick('5',false,true)" target="content" title="Deep" onmousemove="window.status='Deep'"><img src="icons/11.gif" class="p"> <span id="l5" class="unselected">Deep</span></a></nobr></div>
</div></div><div><nobr><img src="icons/upangle.gif" class="p"><a href="pages/glossary.htm" onclick="return LinkClick('6',false,true)" target="content" title="Glossary" onmousemove="window.status='Glossary'"><img src="icons/9.gif" class="p"> <span id="l6" class="unselected">Glossary</span></a></nobr></div>
<script>divlist = [0,3,4]</script>
)TREE";

} // namespace

TEST(WebhelpData, EveryFileTheWriterReadsIsThere)
{
    ASSERT_TRUE(QFileInfo(webhelpDir()).isDir()) << webhelpDir().toStdString();
    QStringList expected = allPages();
    expected << QStringLiteral("style.css") << QStringLiteral("languages.txt");
    for (const QString &name : kTreeImages)
        expected << QStringLiteral("imgs/") + name;
    for (const QString &name : kButtonImages)
        expected << QStringLiteral("images/") + name;
    for (int icon = 1; icon <= 42; ++icon)
        expected << QStringLiteral("icons/%1.gif").arg(icon);
    for (const char *icon : {"1.gif", "2.gif", "11.gif"})
        expected << QStringLiteral("ricons/") + QLatin1String(icon);
    for (int back = 1; back <= 9; ++back)
        expected << QStringLiteral("bg/back%1.jpg").arg(back);
    for (const QString &name : expected)
        EXPECT_TRUE(QFileInfo(webhelpDir() + QLatin1Char('/') + name).isFile()) << name.toStdString();
    // The tree images are exactly the sixteen the contents trees use: the
    // writer copies the whole folder.
    EXPECT_EQ(QDir(webhelpDir() + QStringLiteral("/imgs")).entryList(QDir::Files).size(), kTreeImages.size());
    EXPECT_FALSE(QDir(webhelpDir() + QStringLiteral("/langs")).entryList({QStringLiteral("*.tsl")}).isEmpty());
}

TEST(WebhelpData, ImagesAreReadableAndTreeImagesLineUp)
{
    // Rows of the contents tree join their lines only when every tree image
    // and icon has the same height.
    for (const QString &folder : {QStringLiteral("imgs"), QStringLiteral("icons"), QStringLiteral("ricons")}) {
        const QDir dir(webhelpDir() + QLatin1Char('/') + folder);
        for (const QString &name : dir.entryList(QDir::Files)) {
            const ImageSize size = gifSize(testsupport::readFile(dir.filePath(name)));
            EXPECT_EQ(size.width, 18) << (folder + QLatin1Char('/') + name).toStdString();
            EXPECT_EQ(size.height, 18) << (folder + QLatin1Char('/') + name).toStdString();
        }
    }
    for (const QString &name : kButtonImages)
        EXPECT_GT(gifSize(testsupport::readFile(webhelpDir() + QStringLiteral("/images/") + name)).width, 0)
            << name.toStdString();
    for (int back = 1; back <= 9; ++back) {
        const QByteArray jpeg = testsupport::readFile(webhelpDir() + QStringLiteral("/bg/back%1.jpg").arg(back));
        EXPECT_TRUE(jpeg.startsWith("\xFF\xD8\xFF") && jpeg.endsWith("\xFF\xD9")) << back;
    }
}

TEST(WebhelpData, PagesHoldWhatTheWriterFills)
{
    const QRegularExpression placeholder(QStringLiteral("\\(\\$[A-Za-z]+\\$\\)"));
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        ASSERT_FALSE(text.isEmpty()) << page.toStdString();
        const QSet<QString> filled = filledPlaceholders(page);
        for (auto it = placeholder.globalMatch(text); it.hasNext();) {
            const QString found = it.next().captured(0);
            EXPECT_TRUE(filled.contains(found)) << page.toStdString() << " keeps " << found.toStdString();
        }
        // The writer's page saver picks the encoding from the declared charset.
        EXPECT_TRUE(text.contains(QStringLiteral("charset=utf-8"), Qt::CaseInsensitive)) << page.toStdString();
    }
    const auto holds = [](const QString &page, const QString &what) {
        EXPECT_TRUE(readText(page).contains(what)) << page.toStdString() << " lacks " << what.toStdString();
    };
    holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("($NAVIGATION$)"));
    holds(QStringLiteral("webhelplefth.htm"), QStringLiteral("($NAVIGATION$)"));
    holds(kIndexPage, QStringLiteral("($INDEXLIST$)"));
    for (const QString &page : {QStringLiteral("webhelpframe.htm"), QStringLiteral("indexh.htm")}) {
        holds(page, QStringLiteral("($DEFAULTPAGE$)"));
        holds(page, QStringLiteral("($NAVWIDTH$)"));
    }
    holds(QStringLiteral("index.htm"), QStringLiteral("<title>($PROJECTTITLE$)</title>"));
    holds(QStringLiteral("webhelptop.htm"), QStringLiteral("($BACKCOLOR$)"));
    holds(QStringLiteral("webhelptop.htm"), QStringLiteral("($FONTCOLOR$)"));
    holds(QStringLiteral("webhelptop.htm"), QStringLiteral(" background=\"back.jpg\""));
    holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("($TOCBACKCOLOR$)"));

    // The default page arrives with its apostrophes escaped for a script string.
    EXPECT_TRUE(readText(QStringLiteral("webhelpframe.htm")).contains(QStringLiteral("'($DEFAULTPAGE$)'")));
    // The keyword list is made of <option> elements.
    EXPECT_TRUE(readText(kIndexPage).contains(QRegularExpression(
        QStringLiteral("<select[^>]*>\\s*\\(\\$INDEXLIST\\$\\)\\s*</select>"))));
}

TEST(WebhelpData, FramesAndScriptsMeetTheGeneratedTexts)
{
    const auto holds = [](const QString &page, const QString &pattern) {
        EXPECT_TRUE(readText(page).contains(QRegularExpression(pattern)))
            << page.toStdString() << " lacks " << pattern.toStdString();
    };
    // Topic pages call parent.nav.tree.selectNode(k), test parent.nav.tree.loaded
    // and set parent.contentLoaded; the trees' links target "content".
    for (const QString &page : {QStringLiteral("webhelpframe.htm"), QStringLiteral("indexh.htm")}) {
        holds(page, QStringLiteral("<iframe name=\"nav\""));
        holds(page, QStringLiteral("<iframe name=\"content\""));
    }
    holds(QStringLiteral("webhelpframe.htm"), QStringLiteral("var contentLoaded\\b"));
    for (const QString &page : {QStringLiteral("webhelpleft.htm"), QStringLiteral("webhelpcontents.htm"),
                                QStringLiteral("webhelplefth.htm")}) {
        holds(page, QStringLiteral("var tree = \\{"));
        holds(page, QStringLiteral("\\bloaded:"));
        holds(page, QStringLiteral("\\bselectNode\\b"));
    }
    for (const QString &function : {QStringLiteral("SetEnv"), QStringLiteral("NodeClick"),
                                    QStringLiteral("LinkClick"), QStringLiteral("LinkDblClick")})
        holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("function %1\\(").arg(function));
    holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("var divlist\\b"));
    // The generated tree's element ids: d<n>, img<n>, imgn<n>, l<n>.
    for (const QString &prefix : {QStringLiteral("d"), QStringLiteral("img"), QStringLiteral("imgn"), QStringLiteral("l")})
        holds(QStringLiteral("webhelpcontents.htm"), QStringLiteral("byId\\(\"%1\" \\+").arg(prefix));
    holds(QStringLiteral("webhelplefth.htm"), QStringLiteral("function SetEnv\\("));
    holds(kIndexPage, QStringLiteral("function writepage\\("));
    holds(QStringLiteral("index.htm"), QStringLiteral("webhelpframe\\.htm\" \\+ location\\.search"));
    holds(QStringLiteral("webhelpframe.htm"), QStringLiteral("page="));
    // Classes of the generated trees.
    const QString css = readText(QStringLiteral("style.css"));
    for (const QString &rule : {QStringLiteral("img.p"), QStringLiteral(".unselected"), QStringLiteral(".selected")})
        EXPECT_TRUE(css.contains(rule)) << rule.toStdString();
}

TEST(WebhelpData, IndexBarsPairUpAndTakeTheWholeIndex)
{
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        EXPECT_EQ(text.count(kBeginBar), text.count(kEndBar)) << page.toStdString();
        // Each bar ends before the next starts; RemoveBetween would otherwise eat the page.
        qsizetype at = 0;
        while ((at = text.indexOf(kBeginBar, at)) >= 0) {
            const qsizetype end = text.indexOf(kEndBar, at);
            const qsizetype next = text.indexOf(kBeginBar, at + 1);
            EXPECT_TRUE(end > at && (next < 0 || end < next)) << page.toStdString();
            at += kBeginBar.size();
        }
        EXPECT_FALSE(withoutIndex(text).contains(QStringLiteral("webhelpindex.htm"))) << page.toStdString();
    }
    EXPECT_TRUE(readText(QStringLiteral("webhelpbookmark.htm")).contains(kBeginBar));
    EXPECT_TRUE(readText(QStringLiteral("webhelpleft.htm")).contains(kBeginBar));
}

TEST(WebhelpData, LinksAreWholeAndPointAtShippedFiles)
{
    const QRegularExpression partialExtension(QStringLiteral("\\.htm[A-Za-z0-9_]"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList texts = allPages();
    texts << QStringLiteral("style.css");
    for (const QString &name : texts) {
        const QString text = readText(name);
        // The writer turns a whole ".htm" into ".html"; ".html" or ".htmx"
        // would become something else.
        const auto partial = partialExtension.match(text);
        EXPECT_FALSE(partial.hasMatch()) << name.toStdString() << ": " << partial.captured(0).toStdString();
        for (const QString &reference : referencedFiles(text)) {
            const QStringList sources = sourcesOf(reference);
            if (sources.isEmpty())
                continue;
            const bool found = std::any_of(sources.cbegin(), sources.cend(), [](const QString &source) {
                return QFileInfo(webhelpDir() + QLatin1Char('/') + source).isFile();
            });
            EXPECT_TRUE(found) << name.toStdString() << " names " << reference.toStdString();
        }
    }
}

TEST(WebhelpData, InterfaceStringsAndTranslationsMatch)
{
    const QStringList names = interfaceNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(QSet<QString>(names.cbegin(), names.cend()).size(), names.size()) << "a name is listed twice";
    for (const QString &name : names) {
        // The writer puts names into languages.js without escaping them.
        EXPECT_FALSE(name.contains(QLatin1Char('"')) || name.contains(QLatin1Char('\\')) ||
                     name.contains(QLatin1Char('=')))
            << name.toStdString();
    }
    // Every text the pages look up is translatable.
    const QRegularExpression used(QStringLiteral("data-(?:text|title)=\"([^\"]+)\"|\\bS\\(\"([^\"]+)\"\\)"));
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        for (auto it = used.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
            EXPECT_TRUE(names.contains(name)) << page.toStdString() << " uses " << name.toStdString();
        }
        if (text.contains(QStringLiteral("data-text")) || text.contains(QStringLiteral("S(\""))) {
            EXPECT_TRUE(text.contains(QStringLiteral("<script src=\"languages.js\"></script>"))) << page.toStdString();
        }
    }

    // Translation files: UTF-8 with byte-order mark, CR LF, one name=text per name.
    const QDir langs(webhelpDir() + QStringLiteral("/langs"));
    for (const QString &file : langs.entryList({QStringLiteral("*.tsl")})) {
        const QByteArray bytes = testsupport::readFile(langs.filePath(file));
        ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << file.toStdString();
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(bytes.mid(3));
        EXPECT_FALSE(utf8.hasError()) << file.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        EXPECT_EQ(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n"))) << file.toStdString();
        QStringList translated;
        for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            ASSERT_GT(equals, 0) << file.toStdString() << ": " << line.toStdString();
            EXPECT_FALSE(line.mid(equals + 1).trimmed().isEmpty()) << line.toStdString();
            translated << line.left(equals);
        }
        EXPECT_EQ(translated, names) << file.toStdString();
    }
}

TEST(WebhelpData, ScriptsParseWithAndWithoutTheIndex)
{
    const QString node = nodeProgram();
    if (node.isEmpty())
        GTEST_SKIP() << "node is not installed; the scripts were not parsed";
    testsupport::ScratchDir scratch;
    int checked = 0;
    for (const QString &page : allPages()) {
        const QString text = readText(page);
        const QList<QPair<QString, QString>> variants = {{QStringLiteral("index"), text},
                                                         {QStringLiteral("noindex"), withoutIndex(text)}};
        for (const auto &[variant, pageText] : variants) {
            const QStringList scripts = inlineScripts(pageText);
            for (qsizetype k = 0; k < scripts.size(); ++k) {
                const QString file = scratch.file(QStringLiteral("%1-%2-%3.js").arg(page, variant).arg(k));
                testsupport::writeFile(file, scripts[k].toUtf8());
                QProcess process;
                process.start(node, {QStringLiteral("--check"), file});
                ASSERT_TRUE(process.waitForFinished(30000)) << file.toStdString();
                EXPECT_EQ(process.exitCode(), 0)
                    << page.toStdString() << " (" << variant.toStdString() << ") script " << k << ":\n"
                    << process.readAllStandardError().toStdString();
                ++checked;
            }
        }
    }
    // Nine pages carry scripts, each parsed in both forms.
    EXPECT_GE(checked, 18);
}

TEST(WebhelpData, SearchFindsWordsAcrossTopics)
{
    if (nodeProgram().isEmpty())
        GTEST_SKIP() << "node is not installed; the search was not run";
    testsupport::ScratchDir scratch;
    testsupport::writeFile(scratch.file(QStringLiteral("search.js")), kSearchHarness);
    // Search data as the writer escapes it: paragraph marks as \n, quotes and
    // apostrophes behind a backslash, the address's backslash doubled.
    testsupport::writeFile(scratch.file(QStringLiteral("data.js")), QByteArray("\xEF\xBB\xBF") + QByteArray(R"(var contents = new Array()"
        R"("\nRun the installer. The zephyrine option.\nStep one","Installing","pages\\install.htm",)"
        R"("\nCafé menus and options, with \"quotes\".","The user\'s options","pages\\sub\\options.htm",)"
        R"("\nWords: 中文词语.","Glossary","pages\\glossary.htm");)"));
    const QStringList lines = runNode(scratch.file(QStringLiteral("search.js")),
        {webhelpDir() + QStringLiteral("/webhelpsearch.htm"), scratch.file(QStringLiteral("data.js")),
         QStringLiteral("ZEPHYRINE"), QStringLiteral("option installer"), QStringLiteral("option"),
         QStringLiteral("cafe \"quotes\""), QStringLiteral("stall"), QStringLiteral("nowhere"),
         QStringLiteral("词语")});
    const QStringList expected = {
        // a word of one topic only, in any case
        R"({"status":"Topics found: 1","topics":["Installing pages/install.htm"]})",
        // every word must occur
        R"({"status":"Topics found: 1","topics":["Installing pages/install.htm"]})",
        // a word starts words; hits in titles rank first
        R"({"status":"Topics found: 2","topics":["The user's options pages/sub/options.htm","Installing pages/install.htm"]})",
        // accents and surrounding quotes do not count
        R"({"status":"Topics found: 1","topics":["The user's options pages/sub/options.htm"]})",
        // the inside of a word is no match
        R"({"status":"No topics found.","topics":[]})",
        R"({"status":"No topics found.","topics":[]})",
        // text without spaces between words matches anywhere
        R"({"status":"Topics found: 1","topics":["Glossary pages/glossary.htm"]})"};
    expectLines(lines, expected);
}

TEST(WebhelpData, KeywordIndexReadsTheGeneratedList)
{
    if (nodeProgram().isEmpty())
        GTEST_SKIP() << "node is not installed; the index was not run";
    testsupport::ScratchDir scratch;
    testsupport::writeFile(scratch.file(QStringLiteral("index.js")), kIndexHarness);
    // The list in its generated form: upper levels as options without a value,
    // titles escaped for HTML, then for a script string.
    const QString list = QStringLiteral(
        "<option>Files</option>\r\n"
        "<option value=\"writepage([['Options &amp; the user\\'s files','pages/options.htm']]);\">"
        "&nbsp;&nbsp;&nbsp;&nbsp;User's files</option>"
        "<option value=\"writepage([['Glossary','pages/sub/glossary.htm']]);\">Glossary</option>"
        "<option>Setup</option>\r\n"
        "<option value=\"writepage([['Back\\\\slash &quot;quoted&quot;','pages/start.htm'],"
        "['It\\'s installing','pages/install.htm']]);\">&nbsp;&nbsp;&nbsp;&nbsp;Install</option>"
        "<option value=\"writepage([['Installing','pages/install.htm']]);\">"
        "&nbsp;&nbsp;&nbsp;&nbsp;Requirements</option>");
    QString page = readText(kIndexPage);
    page.replace(QStringLiteral("($INDEXLIST$)"), list);
    testsupport::writeFile(scratch.file(kIndexPage), page.toUtf8());
    const QStringList lines = runNode(scratch.file(QStringLiteral("index.js")),
        {scratch.file(kIndexPage), QStringLiteral("filter:req"), QStringLiteral("filter:setup inst"),
         QStringLiteral("filter:zzz"), QStringLiteral("filter:"), QStringLiteral("open:Install"),
         QStringLiteral("open:User's files"), QStringLiteral("open:Setup")});
    const QString indent = QStringLiteral("\u00a0\u00a0\u00a0\u00a0");
    const QStringList expected = {
        // the upper level stays with a matching keyword
        QStringLiteral("[\"Setup\",\"%1Requirements\"]").arg(indent),
        QStringLiteral("[\"Setup\",\"%1Install\"]").arg(indent),
        QStringLiteral("[]"),
        QStringLiteral("[\"Files\",\"%1User's files\",\"Glossary\",\"Setup\",\"%1Install\",\"%1Requirements\"]").arg(indent),
        // several topics are offered, one opens at once, an upper level opens nothing
        QStringLiteral(R"({"opened":[],"offered":["Back\\slash \"quoted\" pages/start.htm","It's installing pages/install.htm"]})"),
        QStringLiteral(R"({"opened":["pages/options.htm"],"offered":[]})"),
        QStringLiteral(R"({"opened":[],"offered":[]})")};
    expectLines(lines, expected);
}

TEST(WebhelpData, ContentsTreeOpensSelectsAndSteps)
{
    if (nodeProgram().isEmpty())
        GTEST_SKIP() << "node is not installed; the contents tree was not run";
    testsupport::ScratchDir scratch;
    testsupport::writeFile(scratch.file(QStringLiteral("tree.js")), kTreeHarness);
    const QString page = webhelpDir() + QStringLiteral("/webhelpcontents.htm");
    const auto run = [&](const QString &tree, const QStringList &commands) {
        testsupport::writeFile(scratch.file(QStringLiteral("tree.txt")), tree.toUtf8());
        return runNode(scratch.file(QStringLiteral("tree.js")),
                       QStringList{page, scratch.file(QStringLiteral("tree.txt"))} + commands);
    };
    const QString sample = QString::fromUtf8(kSampleTree);
    const QString next = QStringLiteral("msg:{\"qc\":\"next\"}");

    expectLines(run(sample, {QStringLiteral("loaded"), QStringLiteral("state"),
                             QStringLiteral("node:0"), QStringLiteral("images"),
                             QStringLiteral("node:0"), QStringLiteral("images"),
                             QStringLiteral("link:0"), QStringLiteral("state"),
                             QStringLiteral("dbl:0"), QStringLiteral("state"),
                             QStringLiteral("link:3"), QStringLiteral("state"),
                             next, QStringLiteral("state"),
                             QStringLiteral("msg:{\"qc\":\"previous\"}"), QStringLiteral("state"),
                             QStringLiteral("msg:{\"qc\":\"select\",\"node\":5}"), QStringLiteral("state"),
                             QStringLiteral("images"), next, next, QStringLiteral("state"),
                             QStringLiteral("msg:{\"qc\":\"hideall\"}"), QStringLiteral("state"),
                             QStringLiteral("msg:{\"qc\":\"showall\"}"), QStringLiteral("state"),
                             QStringLiteral("msg:{\"qc\":\"hideall\"}"),
                             QStringLiteral("msg:{\"qc\":\"select\",\"url\":\"pages/upgrade.htm\"}"),
                             QStringLiteral("state")}),
                {QStringLiteral("true"), QStringLiteral(R"({"open":[],"selected":[],"opened":""})"),
                 // the box opens a book: minus sign, open icon
                 QStringLiteral("imgn0=daminus.gif img0=2.gif imgn3=tplus.gif img3=5.gif imgn4=uaplus.gif img4=3.gif"),
                 QStringLiteral("imgn0=daplus.gif img0=1.gif imgn3=tplus.gif img3=5.gif imgn4=uaplus.gif img4=3.gif"),
                 // a book's title opens it and its page; a double click closes it again
                 QStringLiteral(R"({"open":["d0"],"selected":["l0"],"opened":"pages/start.htm"})"),
                 QStringLiteral(R"({"open":[],"selected":["l0"],"opened":"pages/start.htm"})"),
                 // a book without a page opens and shows no page
                 QStringLiteral(R"({"open":["d3"],"selected":["l3"],"opened":""})"),
                 // next and previous pass over it
                 QStringLiteral(R"({"open":["d3","d4"],"selected":["l4"],"opened":"pages/options.htm"})"),
                 QStringLiteral(R"({"open":["d0","d3","d4"],"selected":["l2"],"opened":"pages/upgrade.htm"})"),
                 // a topic page's selection opens the books that hold it
                 QStringLiteral(R"({"open":["d0","d3","d4"],"selected":["l5"],"opened":""})"),
                 QStringLiteral("imgn0=daminus.gif img0=2.gif imgn3=tminus.gif img3=6.gif imgn4=uaminus.gif img4=4.gif"),
                 // next stops at the last page
                 QStringLiteral(R"({"open":["d0","d3","d4"],"selected":["l6"],"opened":"pages/glossary.htm"})"),
                 QStringLiteral(R"({"open":[],"selected":["l6"],"opened":""})"),
                 QStringLiteral(R"({"open":["d0","d3","d4"],"selected":["l6"],"opened":""})"),
                 QStringLiteral(R"({"open":["d0"],"selected":["l2"],"opened":""})")});

    // Collapsing others: opening one book closes the books off its path.
    QString collapsing = sample;
    collapsing.replace(QStringLiteral("SetEnv(0,false)"), QStringLiteral("SetEnv(0,true)"));
    expectLines(run(collapsing, {QStringLiteral("node:0"), QStringLiteral("node:3"), QStringLiteral("state"),
                                 QStringLiteral("msg:{\"qc\":\"select\",\"node\":5}"), QStringLiteral("state"),
                                 QStringLiteral("msg:{\"qc\":\"showall\"}"), QStringLiteral("state")}),
                {QStringLiteral(R"({"open":["d3"],"selected":[],"opened":""})"),
                 QStringLiteral(R"({"open":["d3","d4"],"selected":["l5"],"opened":""})"),
                 // ... but show all opens every book
                 QStringLiteral(R"({"open":["d0","d3","d4"],"selected":["l5"],"opened":""})")});

    // A root book drawn without a box stays open.
    QString rootless = sample;
    rootless.remove(QStringLiteral("<a href=\"#\" onClick=\"return NodeClick('3')\">"
                                   "<img id=\"imgn3\" src=\"icons/tplus.gif\" class=\"p\"></a>"));
    expectLines(run(rootless, {QStringLiteral("state"), QStringLiteral("link:3"),
                               QStringLiteral("msg:{\"qc\":\"hideall\"}"), QStringLiteral("state")}),
                {QStringLiteral(R"({"open":["d3"],"selected":[],"opened":""})"),
                 QStringLiteral(R"({"open":["d3"],"selected":["l3"],"opened":""})")});
}
