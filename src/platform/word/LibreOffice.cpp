#include "platform/word/LibreOffice.h"
#include "platform/word/Package.h"

#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "platform/Processes.h"
#include "platform/StopRequest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

#include <atomic>
#include <cerrno>
#include <memory>
#include <csignal>
#include <unistd.h>

namespace word::lo {

namespace {

const QString kDefaultProgram = QStringLiteral("soffice");

QMutex programMutex;
QString programSetting; // guarded by programMutex; empty means the default
std::atomic<int> timeoutMs{180000};

QString quoted(const QString &path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

// The program to run, or empty when it cannot be found.
QString resolvedProgram()
{
    const QString program = Program();
    if (!program.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(program);
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

// A suffix safe to use in the scratch copy's name (soffice guesses some
// formats from it); anything unusual is dropped.
QString safeSuffix(const QString &suffix)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{1,10}$"));
    return plain.match(suffix).hasMatch() ? QLatin1Char('.') + suffix.toLower() : QString();
}

// What soffice printed, without its noise about Java, kept short enough for
// a message box.
QString processOutput(QProcess &process)
{
    const QString text = QString::fromLocal8Bit(process.readAll());
    QStringList kept;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.contains(QLatin1String("javaldx")))
            continue;
        kept << trimmed;
    }
    QString joined = kept.join(QLatin1Char('\n'));
    if (joined.size() > 2000)
        joined = QStringLiteral("...") + joined.right(2000);
    return joined;
}

QString withOutput(const QString &message, const QString &output)
{
    return output.isEmpty() ? message
                            : message + QStringLiteral("\nLibreOffice reported:\n") + output;
}

// The first bytes every sound file of the format starts with.
QByteArray signatureOf(const QString &extension)
{
    if (extension == QLatin1String("pdf"))
        return QByteArrayLiteral("%PDF-");
    if (extension == QLatin1String("docx") || extension == QLatin1String("odt"))
        return QByteArrayLiteral("PK\x03\x04");
    if (extension == QLatin1String("doc"))
        return QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    return QByteArray();
}

bool looksSound(const QString &path, const QString &extension)
{
    QFile file(path);
    if (file.size() <= 0 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray signature = signatureOf(extension);
    return file.read(signature.size()) == signature;
}

// Copies from to to through a temporary file beside to, which replaces to
// only when everything was written.
void copyInto(const QString &from, const QString &to)
{
    RefuseLinkAtSaveTarget(to); // QSaveFile would write to the file a link leads to
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read the converted file %1: %2")
                            .arg(quoted(from), in.errorString()));
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot write %1: %2").arg(quoted(to), out.errorString()));
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            throw Exception(QStringLiteral("Cannot read the converted file %1: %2")
                                .arg(quoted(from), in.errorString()));
        errno = 0;
        if (out.write(chunk) != chunk.size()) {
            const int error = errno;
            throw Exception(QStringLiteral("Cannot write %1: %2")
                                .arg(quoted(to), WriteFailureReason(out, error, QFileInfo(to).absolutePath())));
        }
    }
    errno = 0;
    if (!out.flush() || !out.commit()) {
        const int error = errno;
        throw Exception(QStringLiteral("Cannot write %1: %2")
                            .arg(quoted(to), WriteFailureReason(out, error, QFileInfo(to).absolutePath())));
    }
}

void killGroup(QProcess &process)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process.kill();
    process.waitForFinished(5000);
}


// The user profile LibreOffice runs with. One profile per user is kept
// between conversions (a fresh profile makes LibreOffice restart itself
// once), locked while a conversion uses it; a conversion that finds it
// locked uses a private profile in its scratch folder instead.
struct Profile {
    QString folder;
    std::unique_ptr<QLockFile> lock; // held while the kept profile is in use
    QString soundMark;               // written once a conversion with it succeeded
    bool reused = false;             // the kept profile served an earlier conversion

    void discard()
    {
        reused = false;
        if (!lock)
            return;
        QFile::remove(soundMark);
        QDir(folder).removeRecursively();
    }
    void markSound()
    {
        if (!lock || reused)
            return;
        QFile mark(soundMark);
        if (mark.open(QIODevice::WriteOnly))
            mark.close();
    }
};

Profile takeProfile(const QString &privateFolder)
{
    Profile profile;
    profile.folder = privateFolder;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache + QStringLiteral("/quillcraft")))
        return profile;
    const QString base = cache + QStringLiteral("/quillcraft/libreoffice");
    auto lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // only a dead holder's lock is stale
    if (!lock->tryLock(0))
        return profile;
    profile.folder = base + QStringLiteral("-profile");
    profile.soundMark = base + QStringLiteral("-profile.sound");
    profile.lock = std::move(lock);
    profile.reused = QFileInfo::exists(profile.soundMark) && QFileInfo(profile.folder).isDir();
    // A profile that never finished a conversion (its first run was ended)
    // is made afresh.
    if (!profile.reused)
        profile.discard();
    return profile;
}

struct Run {
    QString failure; // empty on success
    QString said;    // what soffice printed
    bool killed = false;
};

Run runOnce(const QString &program, const QString &profileFolder, const QString &convertTo, const QDir &work,
            const QString &copy, const QString &input, const QString &purpose)
{
    Run run;
    QProcess process;
    process.setProgram(program);
    process.setArguments({
        QStringLiteral("--headless"),
        QStringLiteral("--norestore"),
        QStringLiteral("--nologo"),
        QStringLiteral("--nodefault"),
        QStringLiteral("-env:UserInstallation=")
            + QUrl::fromLocalFile(profileFolder).toString(QUrl::FullyEncoded),
        QStringLiteral("--convert-to"),
        convertTo,
        QStringLiteral("--outdir"),
        work.filePath(QStringLiteral("out")),
        copy,
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), work.filePath(QStringLiteral("tmp")));
    // One locale on every machine: LibreOffice takes its default language
    // (which the PDF records) and its text layout from the locale, and
    // fontconfig its font choices. The document's language is set by the
    // caller where it matters.
    for (const QString &name : environment.keys())
        if (name.startsWith(QLatin1String("LC_")) || name == QLatin1String("LANG") || name == QLatin1String("LANGUAGE")
            || name == QLatin1String("FC_LANG"))
            environment.remove(name);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so that a stuck conversion can be killed with
    // every process soffice started; it ends with the program, even a
    // killed one.
    const qint64 parent = ::getpid();
    const int lifeLine = processes::LifeLine();
    process.setChildProcessModifier([parent, lifeLine] { processes::BindChildToParent(parent, lifeLine); });

    process.start();
    if (!process.waitForStarted(30000)) {
        const QString reason = process.errorString();
        killGroup(process);
        run.killed = true;
        run.failure = QStringLiteral("LibreOffice (%1) could not be started to %2: %3")
                          .arg(quoted(program), purpose, reason);
        return run;
    }
    // Waits in short steps, so that a stop request (another output of the
    // build failed) ends LibreOffice at once.
    const qint64 limit = LimitFor(QFileInfo(copy).size());
    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(100) && process.state() != QProcess::NotRunning) {
        if (stoprequest::Requested()) {
            killGroup(process);
            run.killed = true;
            run.failure = QStringLiteral("LibreOffice was stopped while converting %1: the build was stopped.")
                              .arg(quoted(input));
            return run;
        }
        if (clock.elapsed() >= limit) {
            killGroup(process);
            run.killed = true;
            run.failure = withOutput(QStringLiteral("LibreOffice did not finish converting %1 within %2 seconds; "
                                                    "the conversion was stopped.")
                                         .arg(quoted(input))
                                         .arg((limit + 999) / 1000),
                                     processOutput(process));
            return run;
        }
    }
    run.said = processOutput(process);
    // Ends the group's watcher and anything soffice left running.
    if (const qint64 group = process.processId(); group > 0)
        ::kill(-static_cast<pid_t>(group), SIGKILL);
    if (process.exitStatus() != QProcess::NormalExit)
        run.failure = withOutput(
            QStringLiteral("LibreOffice stopped unexpectedly while converting %1.").arg(quoted(input)), run.said);
    else if (process.exitCode() != 0)
        run.failure = withOutput(QStringLiteral("LibreOffice could not convert %1 (exit code %2).")
                                     .arg(quoted(input))
                                     .arg(process.exitCode()),
                                 run.said);
    return run;
}

} // namespace

void SetProgram(const QString &program)
{
    QMutexLocker lock(&programMutex);
    programSetting = program;
}

QString Program()
{
    QMutexLocker lock(&programMutex);
    return programSetting.isEmpty() ? kDefaultProgram : programSetting;
}

void SetTimeoutMs(int ms)
{
    timeoutMs = ms > 0 ? ms : 180000;
}

int TimeoutMs()
{
    return timeoutMs;
}

qint64 LimitFor(qint64 inputBytes)
{
    // LibreOffice takes longer per page the longer the document: a manual of
    // a thousand chapters needs many minutes, and is not hung. Its time grows
    // with the square of the size (5.7 minutes for 1.3 MB of text, about 28
    // for 2.5 MB), so past one megabyte each started quarter megabyte's
    // share grows in proportion too.
    const qint64 step = 256 * 1024;
    const qint64 steps = std::max<qint64>(1, (inputBytes + step - 1) / step);
    return qint64(TimeoutMs()) * steps * std::max<qint64>(4, steps) / 4;
}

QString LeftoverPrefix()
{
    return QStringLiteral("quillcraft-lo-");
}

bool IsAvailable()
{
    return !resolvedProgram().isEmpty();
}

void Convert(const QString &input, const QString &convertTo, const QString &output,
             const QString &purpose)
{
    const QFileInfo source(input);
    if (!source.exists())
        throw Exception(QStringLiteral("The file %1 does not exist.").arg(quoted(input)));
    if (source.isDir())
        throw Exception(QStringLiteral("%1 is a folder, not a document.").arg(quoted(input)));
    if (source.size() == 0)
        throw Exception(QStringLiteral("The file %1 is empty; it holds no document.").arg(quoted(input)));
    const QFileInfo target(output);
    if (target.absoluteFilePath() == source.absoluteFilePath()
        || (target.exists() && target.canonicalFilePath() == source.canonicalFilePath()))
        throw Exception(QStringLiteral("Converting %1 would overwrite the document itself.")
                            .arg(quoted(input)));

    const QString program = resolvedProgram();
    if (program.isEmpty())
        throw Exception(QStringLiteral("LibreOffice (soffice) is not installed; it is needed to %1.")
                            .arg(purpose));

    // soffice names its output after the input, with the extension that
    // leads the --convert-to value.
    const QString extension = convertTo.section(QLatin1Char(':'), 0, 0).toLower();

    // The run's tag in the name lets a later run remove what a killed one
    // left (see LeftoverPrefix).
    QTemporaryDir scratch(QDir::tempPath() + QLatin1Char('/') + LeftoverPrefix() + processes::RunTag()
                          + QStringLiteral("-XXXXXX"));
    if (!scratch.isValid())
        throw Exception(QStringLiteral("Cannot create a scratch folder in %1: %2")
                            .arg(quoted(QDir::tempPath()), scratch.errorString()));
    const QDir work(scratch.path());
    for (const char *sub : {"in", "out", "profile", "tmp"}) {
        if (!work.mkpath(QString::fromLatin1(sub)))
            throw Exception(QStringLiteral("Cannot create a scratch folder in %1.")
                                .arg(quoted(scratch.path())));
    }
    const QString copy = work.filePath(QStringLiteral("in/source") + safeSuffix(source.suffix()));
    if (!QFile::copy(input, copy))
        throw Exception(QStringLiteral("Cannot read the file %1.").arg(quoted(input)));
    const QString produced = work.filePath(QStringLiteral("out/source.") + extension);

    Profile profile = takeProfile(work.filePath(QStringLiteral("profile")));
    Run run = runOnce(program, profile.folder, convertTo, work, copy, input, purpose);
    if (run.failure.isEmpty() && !looksSound(produced, extension))
        run.failure = withOutput(
            QStringLiteral("LibreOffice could not convert %1 to %2: it wrote no usable output.")
                .arg(quoted(input), extension.toUpper()),
            run.said);
    // A kept profile that fails may be damaged: the conversion is tried once
    // more with the profile made afresh.
    if (!run.failure.isEmpty() && !run.killed && profile.reused) {
        profile.discard();
        QFile::remove(produced);
        run = runOnce(program, profile.folder, convertTo, work, copy, input, purpose);
        if (run.failure.isEmpty() && !looksSound(produced, extension))
            run.failure = withOutput(
                QStringLiteral("LibreOffice could not convert %1 to %2: it wrote no usable output.")
                    .arg(quoted(input), extension.toUpper()),
                run.said);
    }
    if (run.killed)
        profile.discard(); // a run ended half-way may leave the profile half-written
    else if (run.failure.isEmpty())
        profile.markSound();
    if (!run.failure.isEmpty())
        throw Exception(run.failure);

    if (!QDir().mkpath(target.absolutePath()))
        throw Exception(QStringLiteral("Cannot create the folder %1.").arg(quoted(target.absolutePath())));
    copyInto(produced, output);
}

QString ConvertToDocx(const QString &input, const QString &outDir)
{
    const QString output =
        QDir(outDir).filePath(QFileInfo(input).completeBaseName() + QStringLiteral(".docx"));
    Convert(input, QStringLiteral("docx:MS Word 2007 XML"), output,
            QStringLiteral("open %1").arg(quoted(input)));
    return output;
}

void ConvertDocxToDoc(const QString &docx, const QString &outDoc)
{
    Convert(docx, QStringLiteral("doc:MS Word 97"), outDoc,
            QStringLiteral("save %1 as a Word 97-2003 document").arg(quoted(outDoc)));
}

void ConvertDocxToPdf(const QString &docx, const QString &outPdf)
{
    // The export filter takes its options as JSON after its name; bookmarks
    // are made from the headings' outline levels. Links to files stay
    // relative, so that they lead beside the PDF, not into the scratch
    // folder the document is converted in.
    Convert(docx,
            QStringLiteral("pdf:writer_pdf_Export:"
                           "{\"ExportBookmarks\":{\"type\":\"boolean\",\"value\":\"true\"},"
                           "\"ExportLinksRelativeFsys\":{\"type\":\"boolean\",\"value\":\"true\"}}"),
            outPdf, QStringLiteral("export %1 as PDF").arg(quoted(outPdf)));
}

} // namespace word::lo
