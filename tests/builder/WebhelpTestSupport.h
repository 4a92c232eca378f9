#pragma once
// A WebHelp build set up inside a scratch folder: a program folder whose
// "webhelp" files the test chooses, a project with its own folder and
// template, and a topic list made item by item.
#include "builder/Webhelp.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "project/Template.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <gtest/gtest.h>

namespace webhelptest {

// Points the program folder at Folder while alive.
class ProgramFolderOverride {
public:
    explicit ProgramFolderOverride(const QString &Folder)
        : old_(qgetenv("QUILLCRAFT_PROGRAM_DIR")), had_(qEnvironmentVariableIsSet("QUILLCRAFT_PROGRAM_DIR"))
    {
        qputenv("QUILLCRAFT_PROGRAM_DIR", Folder.toUtf8());
    }
    ~ProgramFolderOverride()
    {
        if (had_)
            qputenv("QUILLCRAFT_PROGRAM_DIR", old_);
        else
            qunsetenv("QUILLCRAFT_PROGRAM_DIR");
    }

private:
    QByteArray old_;
    bool had_;
};

struct Topic {
    int Level;
    QString Title;
    int Status = 0;
    QString Keywords = QString();
    QString Content = QStringLiteral("<p>Text</p>");
    int Icon = 0;
};

class WebHelpBuild {
public:
    WebHelpBuild()
    {
        Project.RootDir = dir.file(QStringLiteral("project/"));
        Project.ProjectFilename = dir.file(QStringLiteral("project/help.qvx"));
        Project.SourceFile = dir.file(QStringLiteral("project/help.docx"));
        Project.WebHelpOutputFolder = dir.file(QStringLiteral("out/"));
        Project.Title = QStringLiteral("Garden Help");
        Project.WebHelpExtension = 0;
        Contents.Project = &Project;
        useTemplate(QStringLiteral("<html><head><title>x</title></head><body>($content$)</body></html>"));
    }

    QString path(const QString &Name) const { return dir.file(Name); }
    QString out(const QString &Name) const { return dir.file(QStringLiteral("out/") + Name); }
    QString outText(const QString &Name) const;

    void useTemplate(const QString &Page)
    {
        testsupport::writeFile(dir.file(QStringLiteral("tpl/t.htm")), Page.toUtf8());
        PackTemplate(dir.file(QStringLiteral("tpl/t.htm")), Project.WebHelpTemplateStream);
    }

    // Adds topics in order; folders and page names are derived as the
    // topic split would make them, then the list is finished.
    void setTopics(const std::vector<Topic> &Topics);

    testsupport::ScratchDir dir;
    TProject Project;
    TContentsItems Contents;
};

// Writes a program folder's "webhelp" files: a skeleton for every frame page
// and the index page (each naming its own placeholders), languages.txt,
// tree images, icons 1 to 12, buttons, style sheet and backgrounds 0 and 1.
void writeWebhelpData(const QString &ProgramFolder);

} // namespace webhelptest
