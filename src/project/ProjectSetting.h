#pragma once
// The project: every setting of the open project, its file (a UTF-16 INI
// text with the sections "GENERAL" and "CHMSetting"), the defaults of a new
// project and the expansion of stored paths.
#include "project/UnitCHMProject.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// The program's folder, where templates/, webhelp/ and the .dat files live:
// the folder of the running executable, or QUILLCRAFT_PROGRAM_DIR when set.
// Ends with a separator.
QString ProgramFolder();

// An INI text read whole: the encoding from its byte-order mark (UTF-16
// little- or big-endian, UTF-8), else the ANSI code page. Section and key
// names match without regard to case; blanks around keys and values are
// dropped; lines starting with ";" are ignored; the first of two equal keys wins.
class TIniReader {
public:
    TIniReader() = default;
    explicit TIniReader(const QByteArray &Bytes);
    // Reads the file; a missing file gives an empty reader.
    static TIniReader FromFile(const QString &FileName);

    QStringList Sections() const { return SectionOrder; }
    bool HasKey(const QString &Section, const QString &Key) const;
    QString ReadString(const QString &Section, const QString &Key, const QString &Default) const;
    // A value that is missing, empty or not a whole number gives Default.
    int ReadInteger(const QString &Section, const QString &Key, int Default) const;
    // As ReadInteger; a number other than 0 is true.
    bool ReadBool(const QString &Section, const QString &Key, bool Default) const;

private:
    QStringList SectionOrder;
    QHash<QString, QHash<QString, QString>> Values; // lower-case names
};

// The WebHelp navigation pane's width in pixels: what the window offers and
// what a project file is held to.
constexpr int kNavWidthLowest = 50, kNavWidthHighest = 2000;

class TProject {
public:
    TProject();

    void Initialize();
    void Clear() { Initialize(); }
    // Loads the project file; throws when it does not exist or is damaged
    // (the project is then cleared).
    void ReadFromIni(const QString &FileName);
    // Writes the project file, replacing it whole.
    void SaveToIni(const QString &FileName);
    bool Save();
    void CHMProjectReadFromIni(TCHMProject &Project, const TIniReader &Ini, const QString &Section);
    void CHMProjectSaveToIni(const TCHMProject &Project, QStringList &Lines, const QString &Section) const;

    // A stored path made absolute: placeholders replaced, relative paths taken
    // from RootDir, "." and ".." resolved.
    QString RealPath(const QString &Path) const;
    // The path of a kind: 0 source document, 1 compiled file, 2 WebHelp folder,
    // 3 PDF file, 4 context file, 5 HHP folder (folders end with a separator).
    QString RealPath(int PathType) const;

    int Ver = 0;
    bool ProjectChanged = false;
    QString ProjectFilename = QStringLiteral("unnamed.qvx");
    bool IsClosed = false;
    bool IsNew = true;
    int DefaultItem = 0;
    QString SourceFile;
    QString Title;
    QString NavSetting;
    QString CopyRight;
    QString PrevHint;
    QString NextHint;
    QString RootDir;
    QString DefaultTopic;
    QString CompiledFile;
    bool DefaultTemplate = true;
    QString Encoding;
    QString CustomTemplate;
    bool DeleteProject = false;
    bool ViewCompiledFile = true;
    int HasChild = 0;
    int NoChild = 10;
    bool HtmlHelpOutput = true;
    QString HtmlHelpTemplate;
    QString HtmlHelpTitle;
    int HtmlHelpCodepage = 0;
    QString HtmlHelpOutputEncoding;
    bool HtmlHelpTitleSame = true;
    QByteArray HtmlHelpTemplateStream;
    bool HtmlHelpOutputContext = false;
    QString HtmlHelpContextFile;
    QString HtmlHelpContextTopCode;
    QString HtmlHelpContextBottomCode;
    QString HtmlHelpContextCodeTemplate;
    int HtmlHelpContextEncoding = 3;
    int HtmlHelpExtension = 0;
    bool OutputHHP = false;
    QString HHPFolder;
    bool WebHelpOutput = true;
    QString WebHelpDefault;
    QString WebHelpOutputFolder;
    QString WebHelpTitle;
    bool WebHelpDefaultSame = true;
    bool WebHelpTilteSame = true;
    int WebHelpLanguage = 1;
    QByteArray WebHelpTemplateStream;
    QStringList WebHelpDictionary;
    int WebHelpExtension = 1;
    bool StartFromRoot = true;
    bool AutoCollapse = false;
    bool DrawLines = true;
    QString TOCBackColor;
    int HeadProperties = 1;
    int PageProperties = 1;
    bool RealColorIcon = false;
    bool ShowIndex = true;
    int NavWidth = 270;
    QString WebFontColor;
    QString WebBackColor;
    int WebBackground = 1;
    bool PDFOutput = true;
    QString PDFFile;
    int Panes = 0;
    int Magnification = 0;
    int PageLayout = 0;
    TCHMProject CHMSetting;

    // Why Initialize could not pack a default page template (empty when it
    // could); the template stream is then left empty.
    QString DefaultTemplateError;
};

// The folder proposed for a new project: the first of
// <documents>/Quillcraft/Project1/, Project2/, ... that is missing or empty.
QString NewProjectFolder();
// The default code of the context-ID file: section "C#" of context.dat.
void ReadContextCodeDefaults(QString &TopCode, QString &CodeTemplate, QString &BottomCode);
QString BoolToFlag(bool Value);
// Creates the folder and its missing parents; a failure is ignored.
void EnsureFolder(const QString &Folder);
