#pragma once
// Writes the context-ID file of a maker's topics in every language of the
// shipped context.dat and has each one checked by that language's compiler
// (the Basic dialects, which have no compiler in the distribution, by the
// shape of their declarations). Shared by the context-file tests and the
// example build.
#include "builder/HtmlHelpOutput.h"
#include "foundation/TextFiles.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace contextcheck {

struct Compiled {
    int exitCode = -1;
    QString output;
};

inline Compiled compile(const QString &program, const QStringList &arguments, const QString &folder)
{
    Compiled r;
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        r.output = program + QStringLiteral(" is not installed");
        return r;
    }
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForStarted(-1))
        return r;
    p.waitForFinished(-1);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromLocal8Bit(p.readAll());
    return r;
}

// expected: "CID_<name>=<number>" for every topic with a page, in order.
// Gives the number of languages checked.
inline int CheckEveryLanguage(THtmlHelpMaker &maker, const QString &folder, const QStringList &expected)
{
    TProject &project = *maker.Project;
    const TIniReader ini = TIniReader::FromFile(ProgramFolder() + QStringLiteral("context.dat"));
    QStringList names, numbers;
    for (const QString &e : expected) {
        names << e.section(u'=', 0, 0);
        numbers << e.section(u'=', 1);
    }
    auto conditions = [&](const QString &prefix, const QString &equal, const QString &join) {
        QStringList parts;
        for (int i = 0; i < names.size(); ++i)
            parts << QStringLiteral("(%1%2 %3 %4)").arg(prefix, names[i], equal, numbers[i]);
        return parts.join(join);
    };
    int checked = 0;
    for (const QString &language : ini.Sections()) {
        SCOPED_TRACE(language.toStdString());
        project.HtmlHelpContextTopCode = DecodeLineBreaks(ini.ReadString(language, QStringLiteral("TopCode"), QString()));
        project.HtmlHelpContextCodeTemplate = ini.ReadString(language, QStringLiteral("CodeTemplate"), QString());
        project.HtmlHelpContextBottomCode = DecodeLineBreaks(ini.ReadString(language, QStringLiteral("BottomCode"), QString()));
        const QString dir = folder + u'/' + QString(language).remove(QRegularExpression(QStringLiteral("[^A-Za-z]"))) + u'/';
        QDir().mkpath(dir);
        auto write = [&](const QString &name) {
            project.HtmlHelpContextFile = dir + name;
            maker.OutputContextFile();
        };
        Compiled r;
        if (language == QLatin1String("C#")) {
            write(QStringLiteral("HelpTopics.cs"));
            testsupport::writeFile(dir + QStringLiteral("Use.cs"),
                                   QStringLiteral("class Use { static int Main() { return %1 ? 0 : 1; } }")
                                       .arg(conditions(QStringLiteral("HelpTopics."), QStringLiteral("=="), QStringLiteral(" && ")))
                                       .toUtf8());
            r = compile(QStringLiteral("mcs"), {QStringLiteral("-out:use.exe"), QStringLiteral("HelpTopics.cs"), QStringLiteral("Use.cs")}, dir);
        } else if (language == QLatin1String("C++")) {
            write(QStringLiteral("HelpTopics.h"));
            testsupport::writeFile(dir + QStringLiteral("use.cpp"),
                                   QStringLiteral("#include \"HelpTopics.h\"\n#include \"HelpTopics.h\"\nstatic_assert(%1);\n")
                                       .arg(conditions(QString(), QStringLiteral("=="), QStringLiteral(" && ")))
                                       .toUtf8());
            r = compile(QStringLiteral("g++"), {QStringLiteral("-fsyntax-only"), QStringLiteral("-Werror"), QStringLiteral("use.cpp")}, dir);
        } else if (language == QLatin1String("Delphi")) {
            write(QStringLiteral("HelpTopics.pas"));
            testsupport::writeFile(dir + QStringLiteral("use.pas"),
                                   QStringLiteral("program use;\nuses HelpTopics;\nbegin\n  if not (%1) then halt(1);\nend.\n")
                                       .arg(conditions(QString(), QStringLiteral("="), QStringLiteral(" and ")))
                                       .toUtf8());
            r = compile(QStringLiteral("fpc"), {QStringLiteral("-Mdelphi"), QStringLiteral("-s"), QStringLiteral("use.pas")}, dir);
        } else {
            write(QStringLiteral("HelpTopics.vb"));
            QString text = QString::fromUtf8(testsupport::readFile(project.HtmlHelpContextFile));
            text.remove(QChar(0xFEFF));
            const QRegularExpression declaration(
                QStringLiteral("^\\s*Public Const (CID_\\w+)\\s+As (Integer|Long) = (\\d+)\\s*('.*)?$"));
            QStringList found;
            for (const QString &line : text.split(QStringLiteral("\r\n"))) {
                if (!line.contains(QStringLiteral("Public Const")))
                    continue;
                const auto m = declaration.match(line);
                EXPECT_TRUE(m.hasMatch()) << line.toStdString();
                found << m.captured(1) + u'=' + m.captured(3);
            }
            EXPECT_EQ(found, expected);
            EXPECT_EQ(text.count(QStringLiteral("Public Module")), text.count(QStringLiteral("End Module")));
            ++checked;
            continue;
        }
        EXPECT_EQ(r.exitCode, 0) << r.output.toStdString() << "\n"
                                 << QString::fromUtf8(testsupport::readFile(project.HtmlHelpContextFile)).toStdString();
        ++checked;
    }
    return checked;
}

} // namespace contextcheck
