#pragma once
// Small help files for the import tests: a project set written by the test
// and compiled with chmcmd.
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace chmmaker {

inline bool haveCompiler() { return !QStandardPaths::findExecutable(QStringLiteral("chmcmd")).isEmpty(); }

#define QC_REQUIRE_CHMCMD()                                                                                 \
    do {                                                                                                   \
        if (!chmmaker::haveCompiler())                                                                     \
            GTEST_SKIP() << "chmcmd is not installed";                                                     \
    } while (0)

// A sitemap entry: depth (0 outermost), name, local page; an entry with a
// merge value only stands for the contents of another help file.
struct Entry {
    int depth;
    QString name;
    QString local;
    QString merge = QString();
};

inline QByteArray sitemap(const QList<Entry> &entries)
{
    QByteArray out = "<HTML><BODY>\n";
    int depth = -1;
    for (const Entry &e : entries) {
        while (depth < e.depth) {
            out += "<UL>\n";
            ++depth;
        }
        while (depth > e.depth) {
            out += "</UL>\n";
            --depth;
        }
        out += "<LI><OBJECT type=\"text/sitemap\">";
        if (!e.name.isEmpty())
            out += "<param name=\"Name\" value=\"" + e.name.toUtf8() + "\">";
        if (!e.merge.isEmpty())
            out += "<param name=\"Merge\" value=\"" + e.merge.toUtf8() + "\">";
        if (!e.local.isEmpty())
            out += "<param name=\"Local\" value=\"" + e.local.toUtf8() + "\">";
        out += "</OBJECT>\n";
    }
    while (depth-- >= 0)
        out += "</UL>\n";
    return out + "</BODY></HTML>\n";
}

// A page with a title, an optional shared header and footer and a body.
inline QByteArray page(const QString &title, const QString &body, bool boilerplate = false)
{
    QString html = QStringLiteral("<html><head><title>%1</title></head><body>\n").arg(title);
    if (boilerplate)
        html += QStringLiteral("<p>Acme Widget Suite Online Manual</p>\n");
    html += body;
    if (boilerplate)
        html += QStringLiteral("\n<p>Copyright 2024 Acme Corporation. All rights reserved.</p>\n");
    return (html + QStringLiteral("\n</body></html>\n")).toUtf8();
}

// Writes the files and a project into folder and compiles name.chm there;
// returns its path (empty, with a test failure, when the compiler failed).
inline QString compile(const QString &folder, const QString &name, const QMap<QString, QByteArray> &files,
                       const QByteArray &options = QByteArray())
{
    QByteArray hhp = "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=" + name.toUtf8() + ".chm\n";
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        testsupport::writeFile(folder + QLatin1Char('/') + it.key(), it.value());
        if (it.key().endsWith(QLatin1String(".hhc")))
            hhp += "Contents file=" + it.key().toUtf8() + "\n";
        if (it.key().endsWith(QLatin1String(".hhk")))
            hhp += "Index file=" + it.key().toUtf8() + "\n";
    }
    hhp += options;
    hhp += "\n[FILES]\n";
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        if (!it.key().endsWith(QLatin1String(".hhc")) && !it.key().endsWith(QLatin1String(".hhk")))
            hhp += it.key().toUtf8() + '\n';
    testsupport::writeFile(folder + QStringLiteral("/project.hhp"), hhp);
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("chmcmd"), {QStringLiteral("project.hhp")});
    p.waitForFinished(120000);
    const QString chm = folder + QLatin1Char('/') + name + QStringLiteral(".chm");
    if (!QFileInfo::exists(chm)) {
        ADD_FAILURE() << "chmcmd failed: " << p.readAll().toStdString();
        return QString();
    }
    return chm;
}

// Every file below folder, relative to it.
inline QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace chmmaker
