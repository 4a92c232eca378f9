#include "chmimport/ChmTo.h"

#include "foundation/HTMLProcess.h"
#include "foundation/HtmlTables.h"
#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/Exception.h"
#include "platform/word/HtmlImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QtEndian>

#include <atomic>
#include <unistd.h>

namespace {

// Unpacking a help file takes seconds; a damaged one can keep libchm busy
// for ever, and the helper is stopped after this time.
constexpr int kDefaultUnpackTimeoutMs = 2 * 60 * 1000;
std::atomic<int> unpackTimeoutMs{kDefaultUnpackTimeoutMs};

QString durationText(int ms)
{
    return ms >= 1000 ? QStringLiteral("%1 seconds").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

struct HelperRun {
    QByteArray out;
    QString problem; // empty on success
};

// Runs the unpacking helper with a time limit. A crash, a time-out or a
// non-zero exit becomes a problem text.
HelperRun runUnpacker(const QStringList &arguments, const QString &workingFolder)
{
    HelperRun run;
    const QString program = TCHMDecompile::UnpackerProgram();
    if (!QFileInfo(program).isExecutable()) {
        run.problem = QStringLiteral("the unpacking helper \"%1\" is missing").arg(program);
        return run;
    }
    QProcess process;
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(-1)) {
        run.problem = QStringLiteral("the unpacking helper \"%1\" could not be started: %2")
                          .arg(program, process.errorString());
        return run;
    }
    const int limit = unpackTimeoutMs.load();
    QByteArray err;
    QElapsedTimer clock;
    clock.start();
    bool timedOut = false;
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = limit - clock.elapsed();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        process.waitForFinished(int(std::min<qint64>(left, 200)));
        run.out += process.readAllStandardOutput();
        err += process.readAllStandardError();
    }
    if (timedOut) {
        process.kill();
        process.waitForFinished(-1);
        run.problem = QStringLiteral("reading it did not finish within %1 and was stopped").arg(durationText(limit));
        return run;
    }
    run.out += process.readAllStandardOutput();
    err += process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit)
        run.problem = QStringLiteral("the file is damaged (the reader stopped unexpectedly)");
    else if (process.exitCode() != 0) {
        run.problem = QString::fromUtf8(err).trimmed();
        if (run.problem.isEmpty())
            run.problem = QStringLiteral("the unpacking helper ended with exit code %1").arg(process.exitCode());
    }
    return run;
}

// The sitemap marker at text[p] ("<" there): 1 "UL>", 2 "/UL", 3 "LI>", 0 none.
int sitemapMarker(const QString &text, qsizetype p)
{
    if (p + 3 >= text.size())
        return 0;
    const QStringView next = QStringView(text).mid(p + 1, 3);
    if (next.compare(u"UL>", Qt::CaseInsensitive) == 0)
        return 1;
    if (next.compare(u"/UL", Qt::CaseInsensitive) == 0)
        return 2;
    if (next.compare(u"LI>", Qt::CaseInsensitive) == 0)
        return 3;
    return 0;
}

QString normaliseParams(const QString &text, bool withImage)
{
    QString t = text;
    t.replace(QStringLiteral("<param"), QStringLiteral("<param"), Qt::CaseInsensitive);
    t.replace(QStringLiteral("name=\"Name\""), QStringLiteral("name=\"Name\""), Qt::CaseInsensitive);
    t.replace(QStringLiteral("name=\"Local\""), QStringLiteral("name=\"Local\""), Qt::CaseInsensitive);
    t.replace(QStringLiteral("value="), QStringLiteral("value="), Qt::CaseInsensitive);
    if (withImage)
        t.replace(QStringLiteral("name=\"ImageNumber\""), QStringLiteral("name=\"ImageNumber\""), Qt::CaseInsensitive);
    return t;
}

// Calls fn(tag, value, hasValue) for each "<param ...>" of the text.
template <typename Fn>
void forEachParam(const QString &text, Fn fn)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = text.indexOf(QStringLiteral("<param"), from);
        if (start < 0)
            return;
        const qsizetype end = text.indexOf(QLatin1Char('>'), start);
        if (end < 0)
            return;
        const QString tag = text.mid(start, end - start + 1);
        const qsizetype v = tag.indexOf(QStringLiteral("value=\""));
        QString value;
        bool hasValue = false;
        if (v >= 0) {
            const qsizetype q = tag.indexOf(QLatin1Char('"'), v + 7);
            if (q >= 0) {
                value = tag.mid(v + 7, q - v - 7);
                hasValue = true;
            }
        }
        if (!fn(tag, value, hasValue))
            return;
        from = end + 1;
    }
}

QString contextNumberOf(const QStringList &context, const QString &url)
{
    for (const QString &line : context) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon >= 0 && QStringView(line).left(colon).compare(url, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1);
    }
    return QString();
}

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The length of the prefix of a link into a help file, 0 when it has none.
qsizetype helpFilePrefixLength(const QString &text)
{
    for (const QLatin1String prefix : {QLatin1String("ms-its:"), QLatin1String("mk:@msitstore:")})
        if (text.startsWith(prefix, Qt::CaseInsensitive))
            return prefix.size();
    return 0;
}

QString megabytes(qint64 bytes) { return QString::number(double(bytes) / (1024 * 1024), 'f', 1); }

// The pages of a help file as its directory lists them.
struct PageSizes {
    qint64 Total = 0;
    qint64 Largest = 0;
    QString LargestPage;
};

// Lists the help file through the unpacking helper, unpacking nothing.
// Throws Exception naming the file (shown) when it cannot be listed.
PageSizes listPages(const QString &chmFile, const QString &shown)
{
    const HelperRun run = runUnpacker({QStringLiteral("list"), QFileInfo(chmFile).absoluteFilePath()}, QString());
    if (!run.problem.isEmpty())
        throw Exception(QStringLiteral("Cannot read the help file \"%1\": %2.").arg(shown, run.problem));
    PageSizes sizes;
    for (const QByteArray &line : run.out.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        const QString path = QString::fromUtf8(line.mid(tab + 1));
        const qint64 size = line.left(tab).toLongLong();
        if (!IsHtmlExtension(QLatin1Char('.') + QFileInfo(path).suffix()))
            continue;
        sizes.Total += size;
        if (size > sizes.Largest) {
            sizes.Largest = size;
            sizes.LargestPage = path;
        }
    }
    return sizes;
}

// The machine's physical memory in bytes; 0 when unknown.
qint64 physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
}

} // namespace

bool HasHelpFilePrefix(const QString &Text) { return helpFilePrefixLength(Text.trimmed()) > 0; }

bool SplitHelpFileLink(const QString &Text, QString &Name, QString &Inner)
{
    QString t = Text.trimmed();
    t.remove(0, helpFilePrefixLength(t));
    const qsizetype sep = t.indexOf(QStringLiteral("::"));
    if (sep < 0)
        return false;
    const QString file = BackslashToSlash(t.left(sep));
    Name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    Inner = BackslashToSlash(t.mid(sep + 2));
    return !Name.isEmpty() && Name != QLatin1String("..") && Name != QLatin1String(".");
}


QString KeywordName(const QString &Name)
{
    QString out = Name;
    out.replace(QLatin1Char('/'), QStringLiteral("//"));
    out.replace(QLatin1Char('#'), QStringLiteral("##"));
    return out;
}

QStringList KeywordLevels(const QString &Path, QString *Anchor)
{
    QStringList levels;
    QString level;
    if (Anchor)
        Anchor->clear();
    for (qsizetype k = 0; k < Path.size(); ++k) {
        const QChar c = Path.at(k);
        const bool doubled = k + 1 < Path.size() && Path.at(k + 1) == c;
        if ((c == QLatin1Char('/') || c == QLatin1Char('#')) && doubled) {
            level += c;
            ++k;
        } else if (c == QLatin1Char('/')) {
            levels << level;
            level.clear();
        } else if (c == QLatin1Char('#')) {
            if (Anchor)
                *Anchor = Path.mid(k + 1);
            break;
        } else {
            level += c;
        }
    }
    levels << level;
    return levels;
}

// ---------------------------------------------------------------------------

TTitleList *TTitleLists::Add(std::unique_ptr<TTitleList> item)
{
    items_.push_back(std::move(item));
    return items_.back().get();
}

void TTitleLists::InsertFrom(int index, TTitleLists &other)
{
    items_.insert(items_.begin() + std::clamp<qsizetype>(index, 0, qsizetype(items_.size())),
                  std::make_move_iterator(other.items_.begin()), std::make_move_iterator(other.items_.end()));
    other.Clear();
}

void TTitleLists::Clear()
{
    Urls.clear();
    items_.clear();
}

void TTitleLists::initializeUrls()
{
    Urls.clear();
    for (const auto &item : items_) {
        const QString key = item->Url.toLower();
        if (!Urls.contains(key))
            Urls.insert(key, item.get());
    }
}

TTitleList *TTitleLists::GetItemByUrl(const QString &url) const
{
    return Urls.value(url.toLower(), nullptr);
}

TChmSystemData ParseChmSystemData(const QByteArray &data)
{
    TChmSystemData sd;
    // A version word of four bytes, then records: code, length, data.
    qsizetype p = 4;
    while (p + 4 <= data.size()) {
        const quint16 code = qFromLittleEndian<quint16>(data.constData() + p);
        const quint16 length = qFromLittleEndian<quint16>(data.constData() + p + 2);
        p += 4;
        const QByteArray record = data.mid(p, length);
        p += length;
        // A record's text ends at its first zero byte.
        auto text = [&record] {
            const qsizetype zero = record.indexOf('\0');
            return zero < 0 ? record : record.left(zero);
        };
        if (code == 4 && record.size() >= 2 && !sd.HasLanguage) {
            sd.HasLanguage = true;
            sd.Lcid = record.size() >= 4 ? qFromLittleEndian<quint32>(record.constData())
                                         : qFromLittleEndian<quint16>(record.constData());
        } else if (code == 2 && !sd.HasDefaultTopic) {
            sd.HasDefaultTopic = true;
            sd.DefaultTopic = text();
        } else if (code == 3 && !sd.HasTitle) {
            sd.HasTitle = true;
            sd.Title = text();
        }
    }
    return sd;
}

// ---------------------------------------------------------------------------

TCHMDecompile::TCHMDecompile() = default;
TCHMDecompile::~TCHMDecompile() = default;

QString TCHMDecompile::UnpackerProgram()
{
    const QString overridden = qEnvironmentVariable("QC_CHMUNPACK");
    if (!overridden.isEmpty())
        return overridden;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/qc_chmunpack");
}

void TCHMDecompile::SetUnpackTimeoutMs(int ms) { unpackTimeoutMs = ms > 0 ? ms : kDefaultUnpackTimeoutMs; }
int TCHMDecompile::UnpackTimeoutMs() { return unpackTimeoutMs.load(); }

void ReadChmSystemInfo(TCHMDecompile &Reader, const QString &ChmFile)
{
    // Messages name the help file the user chose, not a copy of it.
    const QString shown = Reader.OriginalChmFile.isEmpty() ? ChmFile : Reader.OriginalChmFile;
    if (!QFileInfo(ChmFile).isFile())
        throw Exception(QStringLiteral("Cannot open the help file \"%1\": it does not exist.").arg(shown));
    QFile probe(ChmFile);
    if (!probe.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open the help file \"%1\": %2").arg(shown, probe.errorString()));
    probe.close();
    const HelperRun run = runUnpacker({QStringLiteral("system"), QFileInfo(ChmFile).absoluteFilePath()}, QString());
    if (!run.problem.isEmpty())
        throw Exception(QStringLiteral("Cannot read the help file \"%1\": %2.").arg(shown, run.problem));
    const TChmSystemData sd = ParseChmSystemData(run.out);
    if (!sd.HasLanguage && !sd.HasTitle && !sd.HasDefaultTopic)
        return; // nothing recognisable: the fields keep their values
    if (sd.HasLanguage) {
        const quint16 language = quint16(sd.Lcid & 0xFFFF);
        const qint32 value = qint16(language);
        Reader.LangID = QStringLiteral("0x")
                        + QString::number(quint32(value), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
    Reader.rCodePage = HelpLanguages.GetCodepageById(Reader.LangID);
    Reader.CodePage = Reader.rCodePage;
    if (sd.HasDefaultTopic)
        Reader.rDefaultPage = sd.DefaultTopic;
    if (sd.HasTitle)
        Reader.rTitle = sd.Title;
    // A help file whose language has no code page here is read as UTF-8
    // when its bytes are valid UTF-8 (other compilers write the title so).
    auto decode = [&Reader](const QByteArray &bytes) {
        try {
            return AnsiToUnicodeCP(bytes, Reader.rCodePage);
        } catch (const Exception &) {
            return QString::fromUtf8(bytes);
        }
    };
    Reader.Title = decode(Reader.rTitle);
    Reader.DefaultPage = decode(Reader.rDefaultPage);
}

void TCHMDecompile::LoadFromCHM(const QString &ChmFile)
{
    ReadChmSystemInfo(*this, ChmFile);
    chmFile = ChmFile;
}

void TCHMDecompile::decompile()
{
    if (FOnChange)
        FOnChange(QStringLiteral("Decompiling..."), 1);
    if (rootFolder.isEmpty())
        throw Exception(QStringLiteral("Cannot unpack the help file \"%1\": no work folder was given.").arg(OwnChmFile()));
    rootFolder = withSlash(QDir::cleanPath(QFileInfo(rootFolder).absoluteFilePath()));
    if (!sizeChecked_) {
        // A help file whose pages would need more memory than the import may
        // take is refused from its directory, before it is unpacked.
        const TSizeLimits &limits = SizeLimits();
        const QString shown = QDir::toNativeSeparators(OwnChmFile());
        const PageSizes sizes = listPages(chmFile, shown);
        if (sizes.Largest > limits.OnePage)
            throw Exception(QStringLiteral("The help file \"%1\" is too large to import: its page \"%2\" holds %3 MB, "
                                           "more than the %4 MB a page may hold to fit in the memory of a document.")
                                .arg(shown, sizes.LargestPage, megabytes(sizes.Largest), megabytes(limits.OnePage)));
        if (*sharedPageBytes_ + sizes.Total > limits.AllPages)
            throw Exception(QStringLiteral("The help file \"%1\" is too large to import: its pages hold %2 MB, more "
                                           "than the %3 MB that fit in the memory of a document.")
                                .arg(shown, megabytes(*sharedPageBytes_ + sizes.Total), megabytes(limits.AllPages)));
        *sharedPageBytes_ += sizes.Total;
        sizeChecked_ = true;
    }
    if (!QDir().mkpath(rootFolder))
        throw Exception(QStringLiteral("Cannot create ") + rootFolder);
    const HelperRun run =
        runUnpacker({QStringLiteral("unpack"), QFileInfo(chmFile).absoluteFilePath(), rootFolder}, rootFolder);
    if (!run.problem.isEmpty())
        throw Exception(QStringLiteral("Cannot unpack the help file \"%1\": %2.").arg(OwnChmFile(), run.problem));

    FileName = QFileInfo(chmFile).completeBaseName();
    const QString hhc = rootFolder + FileName + QStringLiteral(".hhc");
    hhcFile = QFileInfo(hhc).isFile() ? hhc : FindFileByExt(rootFolder, QStringLiteral(".hhc"));
    const QString hhk = rootFolder + FileName + QStringLiteral(".hhk");
    hhkFile = QFileInfo(hhk).isFile() ? hhk : FindFileByExt(rootFolder, QStringLiteral(".hhk"));
    try {
        ParseHhcFile(*this);
        mergeHelpFiles();
        ParseHhkFile(*this);
    } catch (const Exception &e) {
        // The contents and index files lie in the work folder, which is gone
        // when the user reads the message: it names the help file and the
        // inner file instead.
        throw Exception(QStringLiteral("Cannot read the help file \"%1\": %2")
                            .arg(OwnChmFile(), QString(e.message()).replace(rootFolder, QString())));
    }
}

void TCHMDecompile::mergeHelpFiles()
{
    const QFileInfo own(OwnChmFile());
    QSet<QString> open = openMerges_ ? *openMerges_ : QSet<QString>();
    open.insert(own.fileName().toLower());
    // From the last, so that the positions of those before stay valid.
    std::vector<TMerge> merges;
    merges.swap(Merges);
    for (auto m = merges.rbegin(); m != merges.rend(); ++m) {
        QString name, inner;
        if (!SplitHelpFileLink(m->Value.contains(QStringLiteral("::")) ? m->Value : m->Value + QStringLiteral("::/"),
                               name, inner)
            || open.contains(name.toLower()))
            continue;
        const QString path = own.absolutePath() + QLatin1Char('/') + name;
        bool missing = false;
        const QString refusal = siblingRefusal(name, &missing);
        if (missing) {
            Notes << QStringLiteral("The contents of \"%1\" take in the help file \"%2\", which is not beside it: its "
                                    "topics are left out.")
                         .arg(own.fileName(), name);
            continue;
        }
        if (!refusal.isEmpty()) {
            Notes << QStringLiteral("The contents of \"%1\" take in the help file \"%2\", which %3: its topics are "
                                    "left out.")
                         .arg(own.fileName(), name, refusal);
            continue;
        }
        // The merged help file is unpacked into a folder of its name, as a
        // link into it would have it, and its entries take the merge's place.
        TCHMDecompile other;
        other.openMerges_ = &open;
        adoptSibling(other);
        try {
            other.LoadFromCHM(path);
            other.rootFolder = rootFolder + name + QLatin1Char('/');
            other.decompile();
        } catch (const Exception &e) {
            Notes << QStringLiteral("The help file \"%1\" that the contents of \"%2\" take in cannot be read: its "
                                    "topics are left out. %3")
                         .arg(name, own.fileName(), e.message());
            continue;
        }
        for (int k = 0; k < other.List.Count(); ++k) {
            TTitleList *e = other.List.Items(k);
            e->Level += m->Level;
            const QString url = e->Url.trimmed();
            if (!url.isEmpty() && !IsOutsideLink(url) && !url.startsWith(QLatin1Char('/')))
                e->Url = name + QLatin1Char('/') + url;
            else if (url.startsWith(QLatin1Char('/')))
                e->Url = QLatin1Char('/') + name + url;
        }
        for (const auto &[page, keyword] : other.UnplacedKeywords)
            UnplacedKeywords.append({name + QLatin1Char('/') + page, keyword});
        Notes << other.Notes;
        List.InsertFrom(m->Position, other.List);
    }
}

QString TCHMDecompile::siblingRefusal(const QString &name, bool *missing)
{
    if (missing)
        *missing = false;
    const QString folder = QFileInfo(OwnChmFile()).absolutePath();
    const QString path = folder + QLatin1Char('/') + name;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        if (missing)
            *missing = true;
        return QStringLiteral("is not beside it");
    }
    // Links are followed only to a file in the same folder: a help file
    // never brings in one from elsewhere on the machine.
    if (!IsInsideFolder(path, folder))
        return QStringLiteral("is a link to a file outside its folder");
    if (!QFileInfo(RealPath(path)).isFile())
        return QStringLiteral("is not a regular file");
    const TSizeLimits &limits = SizeLimits();
    const PageSizes sizes = listPages(path, QDir::toNativeSeparators(path));
    if (sizes.Largest > limits.OnePage)
        return QStringLiteral("is too large to import with it: its page \"%1\" holds %2 MB, more than the %3 MB a page "
                              "may hold to fit in the memory of a document")
            .arg(sizes.LargestPage, megabytes(sizes.Largest), megabytes(limits.OnePage));
    if (*sharedPageBytes_ + sizes.Total > limits.AllPages)
        return QStringLiteral("is too large to import with it: its pages hold %1 MB, and with those taken in before "
                              "they would pass the %2 MB that fit in the memory of a document")
            .arg(megabytes(sizes.Total), megabytes(limits.AllPages));
    *sharedPageBytes_ += sizes.Total;
    return QString();
}

void TCHMDecompile::adoptSibling(TCHMDecompile &other) const
{
    other.sharedPageBytes_ = sharedPageBytes_;
    other.sizeChecked_ = true;
}

TCHMDecompile::TSizeLimits TCHMDecompile::TSizeLimits::ForMemory(qint64 physicalBytes)
{
    // Where the memory is unknown, a machine of 4 GB is assumed.
    const qint64 budget = (physicalBytes > 0 ? physicalBytes : 4ll << 30) / 2;
    TSizeLimits limits;
    limits.AllPages = budget / MemoryPerPageByte;
    limits.OnePage = std::min(budget / MemoryPerOnePageByte, word::MaxHtmlPageBytes);
    return limits;
}

TCHMDecompile::TSizeLimits &TCHMDecompile::SizeLimits()
{
    static TSizeLimits limits = TSizeLimits::ForMemory(physicalMemory());
    return limits;
}

QString FindFileByExt(const QString &Folder, const QString &Ext)
{
    const QString folder = withSlash(Folder);
    QDir dir(folder);
    if (!dir.exists())
        return QString();
    // Folders and files in name order, so the result does not depend on the
    // file system's own order.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            const QString found = FindFileByExt(folder + entry.fileName(), Ext);
            if (!found.isEmpty())
                return found;
        } else if (entry.fileName().endsWith(Ext, Qt::CaseInsensitive)
                   && (QStringLiteral(".") + entry.suffix()).compare(Ext, Qt::CaseInsensitive) == 0) {
            return folder + entry.fileName();
        }
    }
    return QString();
}

// ---------------------------------------------------------------------------

void ParseHhcEntry(const TCHMDecompile &Reader, const QString &Text, QString &Name, qint32 &ImageNumber,
                   QStringList &Locals, QString *Merge)
{
    Name.clear();
    ImageNumber = 0;
    Locals.clear();
    if (Merge)
        Merge->clear();
    bool haveName = false;
    forEachParam(normaliseParams(Text, true), [&](const QString &tag, const QString &value, bool hasValue) {
        if (Merge && hasValue && Merge->isEmpty() && tag.contains(QLatin1String("name=\"Merge\""), Qt::CaseInsensitive))
            *Merge = DecodeAttributeValue(value);
        if (tag.contains(QStringLiteral("name=\"Name\""))) {
            if (!haveName) {
                haveName = true;
                if (Reader.CodePage == 1256 && IsEntityEncoded(value))
                    Name = DecodeByteChars(UnescapeHtml(value), 1256);
                else
                    Name = DecodeAttributeValue(value);
            }
        } else if (tag.contains(QStringLiteral("name=\"Local\""))) {
            if (hasValue)
                Locals << DecodeAttributeValue(value);
        } else if (tag.contains(QStringLiteral("name=\"ImageNumber\"")) && hasValue) {
            bool ok = false;
            const int n = value.trimmed().toInt(&ok);
            if (!ok)
                throw Exception(QStringLiteral("The contents file \"%1\" is damaged: \"%2\" is not a valid image number.")
                                    .arg(Reader.hhcFile,
                                         value.size() > 40 ? value.left(40) + QChar(0x2026) : value));
            ImageNumber = n;
        }
        return true;
    });
}

void ParseHhkEntry(const QString &Text, QString &Name, QStringList &Locals)
{
    Name.clear();
    Locals.clear();
    bool first = true;
    forEachParam(normaliseParams(Text, false), [&](const QString &tag, const QString &value, bool hasValue) {
        if (first) {
            first = false;
            if (hasValue)
                Name = KeywordName(DecodeAttributeValue(value));
        } else if (tag.contains(QStringLiteral("name=\"Local\"")) && hasValue) {
            Locals << DecodeAttributeValue(value);
        }
        return true;
    });
}

void ParseHhcFile(TCHMDecompile &Reader)
{
    if (Reader.hhcFile.isEmpty())
        return;
    const QString text = LoadTextFile(Reader.hhcFile, QString::number(Reader.CodePage));
    int level = -1;
    int counter = 0;
    int automatic = 1000;
    QString pending;
    bool collecting = false;

    auto addPending = [&] {
        if (pending.isEmpty())
            return;
        QString name;
        qint32 image = 0;
        QStringList locals;
        QString merge;
        ParseHhcEntry(Reader, pending, name, image, locals, &merge);
        pending.clear();
        if (!merge.trimmed().isEmpty())
            Reader.Merges.push_back({Reader.List.Count(), std::max(level, 0), merge.trimmed()});
        if (QString(name).remove(QLatin1Char('-')).isEmpty())
            return;
        auto entry = std::make_unique<TTitleList>();
        entry->Topic = name;
        entry->Level = level;
        entry->Index = counter;
        entry->Icon = image;
        if (!locals.isEmpty() && !locals.first().isEmpty()) {
            entry->Url = QString(locals.first()).replace(QStringLiteral("%20"), QStringLiteral(" "));
            entry->Status = 0;
        } else {
            entry->Status = 2;
        }
        entry->ContextNumber = contextNumberOf(Reader.Context, entry->Url);
        if (entry->ContextNumber.isEmpty())
            entry->ContextNumber = QString::number(automatic++);
        ++counter;
        Reader.List.Add(std::move(entry));
    };

    for (qsizetype p = 0; p < text.size(); ++p) {
        const QChar c = text.at(p);
        const int marker = c == QLatin1Char('<') ? sitemapMarker(text, p) : 0;
        if (marker == 1) {
            addPending();
            ++level;
            collecting = false;
        } else if (marker == 2) {
            addPending();
            --level;
            collecting = false;
        } else if (marker == 3) {
            addPending();
            collecting = true;
            p += 3;
        } else if (collecting) {
            pending += c;
        }
    }
    addPending();
}

QString IndexPageKey(const TCHMDecompile &Reader, const QString &Page)
{
    QString page = Page.trimmed();
    QString name, inner;
    if (SplitHelpFileLink(page, name, inner))
        page = name.compare(QFileInfo(Reader.OwnChmFile()).fileName(), Qt::CaseInsensitive) == 0
                   ? inner
                   : name + QLatin1Char('/') + inner;
    page = ResolvePath(BackslashToSlash(page));
    while (page.startsWith(QLatin1Char('/')))
        page.remove(0, 1);
    return page;
}

void ParseHhkFile(TCHMDecompile &Reader)
{
    if (Reader.hhkFile.isEmpty())
        return;
    const QString text = LoadTextFile(Reader.hhkFile, QString::number(Reader.CodePage));
    // The entries by page, so that each keyword finds its entries at once:
    // those that name the page whole, and those that name an anchor in it.
    QHash<QString, QList<TTitleList *>> whole;
    QHash<QString, QList<std::pair<QString, TTitleList *>>> anchored;
    for (int k = 0; k < Reader.List.Count(); ++k) {
        TTitleList *e = Reader.List.Items(k);
        if (e->Url.isEmpty())
            continue;
        QString file, anchor;
        SplitUrlAnchor(e->Url, file, anchor);
        const QString key = IndexPageKey(Reader, file).toLower();
        if (anchor.isEmpty())
            whole[key].append(e);
        else
            anchored[key].append({anchor, e});
    }

    QString pending;
    bool collecting = false;
    QStringList pathStack;
    auto addPending = [&]() -> QString {
        if (pending.isEmpty())
            return QString();
        QString name;
        QStringList locals;
        ParseHhkEntry(pending, name, locals);
        pending.clear();
        QString path;
        for (const QString &part : pathStack)
            path += part + QLatin1Char('/');
        for (const QString &local : locals) {
            QString file, anchor;
            SplitUrlAnchor(local, file, anchor);
            const QString keyword = path + name + (anchor.isEmpty() ? QString() : QLatin1Char('#') + anchor);
            const QString page = IndexPageKey(Reader, file);
            // The entry of the anchor the keyword points at, else the entries
            // of the whole page, else the first entry of a part of the page.
            QList<TTitleList *> targets;
            const QList<std::pair<QString, TTitleList *>> parts = anchored.value(page.toLower());
            if (!anchor.isEmpty())
                for (const auto &[a, e] : parts)
                    if (a.compare(anchor, Qt::CaseInsensitive) == 0)
                        targets << e;
            if (targets.isEmpty())
                targets = whole.value(page.toLower());
            if (targets.isEmpty() && !parts.isEmpty())
                targets << parts.first().second;
            if (targets.isEmpty() && !page.isEmpty())
                Reader.UnplacedKeywords.append({page, keyword});
            for (TTitleList *entry : targets) {
                if (!entry->Keywords.isEmpty())
                    entry->Keywords += KeywordSeparator;
                entry->Keywords += keyword;
            }
        }
        return name;
    };

    for (qsizetype p = 0; p < text.size(); ++p) {
        const QChar c = text.at(p);
        const int marker = c == QLatin1Char('<') ? sitemapMarker(text, p) : 0;
        if (marker == 1) {
            if (!pending.isEmpty())
                pathStack << addPending();
            collecting = false;
        } else if (marker == 2) {
            addPending();
            if (!pathStack.isEmpty())
                pathStack.removeLast();
            collecting = false;
        } else if (marker == 3) {
            addPending();
            collecting = true;
            p += 3;
        } else if (collecting) {
            pending += c;
        }
    }
    addPending();
}

// ---------------------------------------------------------------------------

void ReadHhpContextMap(TCHMDecompile &Reader, const QString &HHPFile)
{
    const QString folder = withSlash(QFileInfo(HHPFile).absolutePath());
    const QStringList lines = LoadTextFile(HHPFile, QString()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    QStringList headers, defines, aliases;
    enum { None, Map, Alias } section = None;
    // An included file is read only when it lies in the project's folder tree.
    auto inFolder = [&folder](const QString &name) {
        const QString path = ResolvePath(folder + name.trimmed());
        return path.startsWith(folder) ? path : QString();
    };
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            section = line.compare(QLatin1String("[MAP]"), Qt::CaseInsensitive) == 0     ? Map
                      : line.compare(QLatin1String("[ALIAS]"), Qt::CaseInsensitive) == 0 ? Alias
                                                                                          : None;
            continue;
        }
        if (section == Map) {
            if (line.startsWith(QLatin1String("#include")))
                headers << line.mid(8).trimmed();
            else if (line.startsWith(QLatin1String("#define")))
                defines << line.mid(7).trimmed();
        } else if (section == Alias) {
            if (line.startsWith(QLatin1String("#include"))) {
                const QString path = inFolder(line.mid(8));
                if (path.isEmpty())
                    continue;
                const QStringList included = LoadTextFile(path, QString()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
                for (const QString &l : included)
                    if (!l.trimmed().isEmpty())
                        aliases << l.trimmed();
            } else if (!line.isEmpty()) {
                aliases << line;
            }
        }
    }
    for (const QString &header : headers) {
        const QString path = inFolder(header);
        if (path.isEmpty())
            continue;
        const QStringList hl = LoadTextFile(path, QString()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        for (const QString &l : hl)
            if (l.trimmed().startsWith(QLatin1String("#define")))
                defines << l.trimmed().mid(7).trimmed();
    }
    QHash<QString, QString> aliasFile; // symbol to file
    QList<std::pair<QString, QString>> aliasOrder;
    for (QString a : aliases) {
        const qsizetype semi = a.indexOf(QLatin1Char(';'));
        if (semi >= 0)
            a.truncate(semi);
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString symbol = a.left(eq).trimmed();
        const QString file = a.mid(eq + 1).trimmed();
        if (!aliasFile.contains(symbol))
            aliasFile.insert(symbol, file);
        aliasOrder.append({symbol, file});
    }
    Reader.Context.clear();
    if (!defines.isEmpty()) {
        for (const QString &d : defines) {
            const QStringList parts = d.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            if (parts.size() < 2)
                continue;
            Reader.Context << aliasFile.value(parts.at(0)).trimmed() + QLatin1Char(':') + parts.at(1).trimmed();
        }
    } else {
        for (const auto &[symbol, file] : aliasOrder)
            Reader.Context << file + QLatin1Char(':') + symbol;
    }
}

void TCHMDecompile::LoadFromHHP(const QString &HHPFile)
{
    if (!QFileInfo(HHPFile).isFile())
        throw Exception(QStringLiteral("Cannot open the project file \"%1\": it does not exist.").arg(HHPFile));
    // The project file is an INI file in the ANSI code page; its sections
    // and keys are read as text so that no outside INI rules apply.
    const QStringList lines =
        LoadTextFile(HHPFile, QString::number(CodePage)).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    QHash<QString, QString> options;
    QHash<QString, QString> windows;
    QString section;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toUpper();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (section == QLatin1String("OPTIONS") && !options.contains(key))
            options.insert(key, value);
        else if (section == QLatin1String("WINDOWS") && !windows.contains(key))
            windows.insert(key, value);
    }
    DefaultWindow = options.value(QStringLiteral("default window"));
    hhcFile = options.value(QStringLiteral("contents file"));
    hhkFile = options.value(QStringLiteral("index file"));
    Title = options.value(QStringLiteral("title"));
    DefaultPage = options.value(QStringLiteral("default topic"));
    // The window definition: comma-separated, double quotes as quote character.
    QStringList window;
    {
        const QString w = windows.value(DefaultWindow.toLower());
        QString field;
        bool quoted = false;
        for (const QChar c : w) {
            if (c == QLatin1Char('"'))
                quoted = !quoted;
            else if (c == QLatin1Char(',') && !quoted) {
                window << field.trimmed();
                field.clear();
            } else
                field += c;
        }
        if (!w.isEmpty())
            window << field.trimmed();
    }
    rootFolder = withSlash(QFileInfo(HHPFile).absolutePath());
    ReadHhpContextMap(*this, HHPFile);

    // A file named by the project is read only inside the project's folder tree.
    auto place = [this](QString name) {
        name = BackslashToSlash(name.trimmed());
        if (name.isEmpty())
            return QString();
        const QString path = ResolvePath(IsAbsolutePath(name) ? name : rootFolder + name);
        return path.startsWith(rootFolder) ? path : QString();
    };
    if (hhcFile.trimmed().isEmpty() && window.size() > 1)
        hhcFile = window.at(1);
    hhcFile = place(hhcFile);
    ParseHhcFile(*this);
    if (hhkFile.trimmed().isEmpty() && window.size() > 2)
        hhkFile = window.at(2);
    hhkFile = place(hhkFile);
    ParseHhkFile(*this);
    FileName = QFileInfo(HHPFile).completeBaseName();
}
