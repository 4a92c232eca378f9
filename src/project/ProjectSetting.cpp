#include "project/ProjectSetting.h"

#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "foundation/LanguageProcess.h"
#include "foundation/functions.h"
#include "project/Template.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <variant>

QString ProgramFolder()
{
    QString dir = qEnvironmentVariable("QUILLCRAFT_PROGRAM_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

// ---- INI reader -----------------------------------------------------------------

TIniReader::TIniReader(const QByteArray &Bytes)
{
    QString text;
    if (Bytes.startsWith("\xFF\xFE")) {
        const QByteArray b = Bytes.mid(2);
        text = QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData()), b.size() / 2);
    } else if (Bytes.startsWith("\xFE\xFF")) {
        QByteArray b = Bytes.mid(2);
        for (qsizetype i = 0; i + 1 < b.size(); i += 2)
            std::swap(b[i], b[i + 1]);
        text = QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData()), b.size() / 2);
    } else if (Bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(Bytes.mid(3));
    } else {
        text = AnsiToUnicodeCP(Bytes, 0);
    }
    QHash<QString, QString> *section = nullptr;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString &raw : text.split(lineBreak)) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (!Values.contains(name.toLower()))
                SectionOrder.append(name);
            section = &Values[name.toLower()];
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!section || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        if (!section->contains(key))
            section->insert(key, line.mid(eq + 1).trimmed());
    }
}

TIniReader TIniReader::FromFile(const QString &FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return TIniReader();
    return TIniReader(f.readAll());
}

bool TIniReader::HasKey(const QString &Section, const QString &Key) const
{
    const auto s = Values.constFind(Section.toLower());
    return s != Values.constEnd() && s->contains(Key.toLower());
}

QString TIniReader::ReadString(const QString &Section, const QString &Key, const QString &Default) const
{
    const auto s = Values.constFind(Section.toLower());
    if (s == Values.constEnd())
        return Default;
    return s->value(Key.toLower(), Default);
}

int TIniReader::ReadInteger(const QString &Section, const QString &Key, int Default) const
{
    bool ok = false;
    const int v = ReadString(Section, Key, QString()).toInt(&ok);
    return ok ? v : Default;
}

bool TIniReader::ReadBool(const QString &Section, const QString &Key, bool Default) const
{
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

// ---- Project file layout ----------------------------------------------------------

namespace {

const QString kGeneral = QStringLiteral("GENERAL");
const QString kCHMSetting = QStringLiteral("CHMSetting");
const QString kProjectFolder = QStringLiteral("<Project_Folder>");
const QString kNewNavSetting = QStringLiteral("\"Help > \",\" > \",\"0\",\"1\"");

enum class Form {
    B,    // "1" or "0"
    I,    // decimal integer
    S,    // text as it stands
    T,    // text, blanks trimmed on write and read
    S1,   // one-line text: CR and LF escaped
    X,    // byte stream as hexadecimal text
    Lines // string list, one-line text of its lines
};

using Field = std::variant<bool TProject::*, int TProject::*, QString TProject::*, QByteArray TProject::*,
                           QStringList TProject::*>;

// One key of [GENERAL]: its form, its field and its value when the key is
// missing (keepPresent: the field keeps the value it has).
struct GeneralKey {
    const char *Key;
    Form Kind;
    Field Member;
    int MissingNumber = 0;
    const char *MissingText = "";
    bool KeepPresent = false;
    // The values an integer key may take; any other reads as missing, or is
    // held at the nearer end (HoldAtEnds: a size the window holds so too).
    int Lowest = std::numeric_limits<int>::min();
    int Highest = std::numeric_limits<int>::max();
    bool HoldAtEnds = false;
};

GeneralKey B(const char *k, bool TProject::*m, bool missing) { return {k, Form::B, m, missing ? 1 : 0}; }
GeneralKey I(const char *k, int TProject::*m, int missing, int lowest = std::numeric_limits<int>::min(),
             int highest = std::numeric_limits<int>::max())
{
    return {k, Form::I, m, missing, "", false, lowest, highest};
}
GeneralKey Size(const char *k, int TProject::*m, int missing, int lowest, int highest)
{
    GeneralKey key = I(k, m, missing, lowest, highest);
    key.HoldAtEnds = true;
    return key;
}
GeneralKey S(const char *k, QString TProject::*m, const char *missing = "", Form f = Form::S)
{
    return {k, f, m, 0, missing};
}
GeneralKey Keep(GeneralKey key)
{
    key.KeepPresent = true;
    return key;
}

// The contents icons are numbered from 0 (HTML Help has 42 of them); -2
// stands for no icon.
constexpr int kFirstContentsIcon = -2, kLastContentsIcon = 41;

// [GENERAL] in write order. "HHPFolder" stands twice: the last read, with an
// empty missing value, is the one that stays.
const std::vector<GeneralKey> &generalKeys()
{
    static const std::vector<GeneralKey> keys{
        S("SourceFile", &TProject::SourceFile),
        S("Title", &TProject::Title),
        S("NavSetting", &TProject::NavSetting),
        S("CopyRight", &TProject::CopyRight),
        S("PrevHint", &TProject::PrevHint),
        S("NextHint", &TProject::NextHint),
        S("DefaultTopic", &TProject::DefaultTopic),
        S("CompiledFile", &TProject::CompiledFile),
        S("CustomTemplate", &TProject::CustomTemplate),
        B("DefaultTemplate", &TProject::DefaultTemplate, true),
        S("Encoding", &TProject::Encoding),
        B("ViewCompiledFile", &TProject::ViewCompiledFile, true),
        I("HasChild", &TProject::HasChild, 0, kFirstContentsIcon, kLastContentsIcon),
        I("NoChild", &TProject::NoChild, 10, kFirstContentsIcon, kLastContentsIcon),
        B("HtmlHelpOutput", &TProject::HtmlHelpOutput, true),
        S("HtmlHelpTemplate", &TProject::HtmlHelpTemplate),
        S("HtmlHelpTitle", &TProject::HtmlHelpTitle),
        B("HtmlHelpTitleSame", &TProject::HtmlHelpTitleSame, true),
        S("HtmlHelpOutputEncoding", &TProject::HtmlHelpOutputEncoding, "", Form::T),
        {"HtmlHelpTemplateStream", Form::X, &TProject::HtmlHelpTemplateStream},
        B("HtmlHelpOutputContext", &TProject::HtmlHelpOutputContext, false),
        S("HtmlHelpContextFile", &TProject::HtmlHelpContextFile),
        S("HtmlHelpContextTopCode", &TProject::HtmlHelpContextTopCode, "", Form::S1),
        S("HtmlHelpContextBottomCode", &TProject::HtmlHelpContextBottomCode, "", Form::S1),
        S("HtmlHelpContextCodeTemplate", &TProject::HtmlHelpContextCodeTemplate),
        I("HtmlHelpContextEncoding", &TProject::HtmlHelpContextEncoding, 3, 0, 3),
        I("HtmlHelpExtension", &TProject::HtmlHelpExtension, 0, 0, 1),
        Keep(B("OutputHHP", &TProject::OutputHHP, false)),
        Keep(S("HHPFolder", &TProject::HHPFolder)),
        B("WebHelpOutput", &TProject::WebHelpOutput, true),
        S("WebHelpDefault", &TProject::WebHelpDefault),
        S("WebHelpOutputFolder", &TProject::WebHelpOutputFolder),
        S("WebHelpTitle", &TProject::WebHelpTitle),
        B("WebHelpDefaultSame", &TProject::WebHelpDefaultSame, true),
        B("WebHelpTilteSame", &TProject::WebHelpTilteSame, true),
        I("WebHelpLanguage", &TProject::WebHelpLanguage, 1),
        {"WebHelpTemplateStream", Form::X, &TProject::WebHelpTemplateStream},
        {"WebHelpDictionary", Form::Lines, &TProject::WebHelpDictionary},
        I("WebHelpExtension", &TProject::WebHelpExtension, 1, 0, 1),
        B("StartFromRoot", &TProject::StartFromRoot, true),
        B("AutoCollapse", &TProject::AutoCollapse, false),
        B("DrawLines", &TProject::DrawLines, true),
        S("TOCBackColor", &TProject::TOCBackColor, "#FFFFFF"),
        B("PDFOutput", &TProject::PDFOutput, true),
        Keep(S("PDFFile", &TProject::PDFFile)),
        // The PDF view is read as stored: a value outside its list adds no
        // entry to the PDF.
        I("Panes", &TProject::Panes, 1),
        I("Magnification", &TProject::Magnification, 4),
        I("PageLayout", &TProject::PageLayout, 0),
        I("HeadProperties", &TProject::HeadProperties, 1),
        I("PageProperties", &TProject::PageProperties, 1),
        B("RealColorIcon", &TProject::RealColorIcon, false),
        B("ShowIndex", &TProject::ShowIndex, true),
        Size("NavWidth", &TProject::NavWidth, 270, kNavWidthLowest, kNavWidthHighest),
        S("WebFontColor", &TProject::WebFontColor, "#ffffff"),
        S("WebBackColor", &TProject::WebBackColor, "#003366"),
        I("WebBackground", &TProject::WebBackground, 1), // negative: no background image
        S("HHPFolder", &TProject::HHPFolder),
    };
    return keys;
}

// Window positions and sizes beyond any screen do not reach the window
// definition, which adds them up.
constexpr int kWindowLimit = 32767;

// One key of [CHMSetting]: the new-project value, the missing-key value and
// the values it may take; any other reads as missing.
struct CHMIntKey {
    const char *Key;
    int TCHMProject::*Member;
    int New;
    int Missing;
    int Lowest = -kWindowLimit;
    int Highest = kWindowLimit;
};
struct CHMBoolKey {
    const char *Key;
    bool TCHMProject::*Member;
    bool Value; // new and missing values are the same
};

// The smallest help window: the least the designer shows a window at.
constexpr int kSmallestWindow = 200;

const CHMIntKey kCHMInts[] = {
    {"Top", &TCHMProject::Top, 50, 50},
    {"Left", &TCHMProject::Left, 50, 50},
    {"Height", &TCHMProject::Height, 650, 500, kSmallestWindow},
    {"Width", &TCHMProject::Width, 900, 700, kSmallestWindow},
    {"PaneWidth", &TCHMProject::PaneWidth, 270, 270, kNavWidthLowest},
    {"DefaultTab", &TCHMProject::DefaultTab, 0, 0, 0, 3}, // Contents, Index, Search, Favorites
};

const CHMBoolKey kCHMBools[] = {
    {"ShowMSDNMenu", &TCHMProject::ShowMSDNMenu, false},
    {"ShowPanesToolbar", &TCHMProject::ShowPanesToolbar, true},
    {"ShowPane", &TCHMProject::ShowPane, true},
    {"HideToolbar", &TCHMProject::HideToolbar, false},
    {"HideToolbarText", &TCHMProject::HideToolbarText, false},
    {"StayOnTop", &TCHMProject::StayOnTop, false},
    {"Maximize", &TCHMProject::Maximize, false},
    {"Hide", &TCHMProject::Hide, true},
    {"Back", &TCHMProject::Back, true},
    {"bForward", &TCHMProject::bForward, true},
    {"Stop", &TCHMProject::Stop, true},
    {"Refresh", &TCHMProject::Refresh, true},
    {"Home", &TCHMProject::Home, true},
    {"Print", &TCHMProject::Print, true},
    {"Option", &TCHMProject::Option, true},
    {"Jump1", &TCHMProject::Jump1, false},
    {"Jump2", &TCHMProject::Jump2, false},
    {"Content", &TCHMProject::Content, true},
    {"Index", &TCHMProject::Index, true},
    {"Search", &TCHMProject::Search, true},
    {"Favorite", &TCHMProject::Favorite, true},
    {"AutoTrack", &TCHMProject::AutoTrack, false},
    {"SelectRow", &TCHMProject::SelectRow, false},
    {"PlusMinus", &TCHMProject::PlusMinus, true},
    {"ShowSelection", &TCHMProject::ShowSelection, true},
    {"ShowRoot", &TCHMProject::ShowRoot, true},
    {"DrawLines", &TCHMProject::DrawLines, true},
    {"AutoExpand", &TCHMProject::AutoExpand, false},
    {"RightToLeft", &TCHMProject::RightToLeft, false},
    {"LeftScroll", &TCHMProject::LeftScroll, false},
    {"SavePosition", &TCHMProject::SavePosition, false},
};

QString key(const char *k) { return QString::fromLatin1(k); }

QString withSeparator(const QString &folder)
{
    return folder.endsWith(u'/') || folder.endsWith(u'\\') ? folder : folder + u'/';
}

QString defaultLanguageText() { return LanguageIdToText(SystemDefaultLangID()); }

} // namespace

// ---- TProject -------------------------------------------------------------------------

TProject::TProject() { Initialize(); }

void TProject::Initialize()
{
    ProjectChanged = false;
    ProjectFilename = QStringLiteral("unnamed.qvx");
    IsClosed = true;
    IsNew = true;

    const QString pf = kProjectFolder + u'/';
    SourceFile.clear();
    Title = QStringLiteral("New Help");
    NavSetting = kNewNavSetting;
    CopyRight = QStringLiteral("&copy; %1 Your company. All rights reserved.").arg(QDate::currentDate().year());
    PrevHint = QStringLiteral("Previous");
    NextHint = QStringLiteral("Next");
    DefaultTopic.clear();
    CompiledFile = pf + QStringLiteral("HTML help/help.chm");
    CustomTemplate.clear();
    DefaultTemplate = true;
    Encoding = QStringLiteral("UTF-8");
    ViewCompiledFile = true;
    HasChild = 0;
    NoChild = 10;
    HtmlHelpOutput = true;
    HtmlHelpTemplate.clear();
    HtmlHelpTitle.clear();
    HtmlHelpTitleSame = true;
    HtmlHelpOutputEncoding.clear();
    CodePageToHtmlCharset(HelpLanguages.GetCodepageById(defaultLanguageText()), HtmlHelpOutputEncoding);
    HtmlHelpOutputContext = false;
    HtmlHelpContextFile = pf + QStringLiteral("HTML help/context.cs");
    HtmlHelpContextEncoding = 3;
    HtmlHelpExtension = 0;
    OutputHHP = false;
    HHPFolder = pf + QStringLiteral("HTML help project/");
    WebHelpOutput = true;
    WebHelpDefault.clear();
    WebHelpOutputFolder = pf + QStringLiteral("WebHelp/");
    WebHelpTitle.clear();
    WebHelpDefaultSame = true;
    WebHelpTilteSame = true;
    WebHelpLanguage = 1;
    WebHelpExtension = 1;
    StartFromRoot = true;
    AutoCollapse = false;
    DrawLines = true;
    TOCBackColor = QStringLiteral("#FFFFFF");
    PDFOutput = true;
    PDFFile = pf + QStringLiteral("PDF/help.pdf");
    Panes = 0;
    Magnification = 0;
    PageLayout = 0;
    HeadProperties = 1;
    PageProperties = 1;
    RealColorIcon = false;
    ShowIndex = true;
    NavWidth = 270;
    WebFontColor = QStringLiteral("#DBEFF9");
    WebBackColor.clear();
    WebBackground = 1;

    // A missing or unreadable default page must not stop the program: the
    // stream stays empty and the reason is kept for the caller to show.
    DefaultTemplateError.clear();
    const std::pair<QString, QByteArray TProject::*> templates[] = {
        {QStringLiteral("templates/fixedtop/fixedtop.htm"), &TProject::HtmlHelpTemplateStream},
        {QStringLiteral("templates/standard1/template.htm"), &TProject::WebHelpTemplateStream},
    };
    for (const auto &[page, stream] : templates) {
        try {
            PackTemplate(ProgramFolder() + page, this->*stream);
        } catch (const Exception &e) {
            (this->*stream).clear();
            if (DefaultTemplateError.isEmpty())
                DefaultTemplateError = e.message();
        }
    }

    ReadContextCodeDefaults(HtmlHelpContextTopCode, HtmlHelpContextCodeTemplate, HtmlHelpContextBottomCode);
    WebHelpDictionary.clear();

    // A new project starts from the defaults: nothing of the project open
    // before (its fonts, window title, default page) is carried over.
    CHMSetting = TCHMProject();
    for (const CHMIntKey &k : kCHMInts)
        CHMSetting.*k.Member = k.New;
    for (const CHMBoolKey &k : kCHMBools)
        CHMSetting.*k.Member = k.Value;
    CHMSetting.Language = defaultLanguageText();
    QString fontCharset;
    CodePageToFontCharset(HelpLanguages.GetCodepageById(CHMSetting.Language), fontCharset);
    CHMSetting.ContentsFont = QStringLiteral(",8,") + fontCharset;
    CHMSetting.IndexFont = CHMSetting.ContentsFont;
}

namespace {

// The keys of the paths a build reads and writes (the path kinds of RealPath).
bool isPathKey(QString TProject::*member)
{
    static QString TProject::*const paths[] = {&TProject::SourceFile, &TProject::CompiledFile,
                                               &TProject::WebHelpOutputFolder, &TProject::PDFFile,
                                               &TProject::HtmlHelpContextFile, &TProject::HHPFolder};
    return std::find(std::begin(paths), std::end(paths), member) != std::end(paths);
}

} // namespace

void TProject::ReadFromIni(const QString &FileName)
{
    if (!QFileInfo(FileName).isFile()) {
        // A pipe or a device exists but holds no project: reading it could
        // wait for ever.
        const QString kind = SpecialFileKind(FileName);
        throw Exception(kind.isEmpty() ? FileName + QStringLiteral(" doesn't exist!")
                                       : QStringLiteral("The project file \"%1\" cannot be read!\r\nIt is %2, not a "
                                                        "project file.")
                                             .arg(FileName, kind));
    }
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read the project file \"%1\": %2").arg(FileName, file.errorString()));
    const TIniReader ini(file.readAll());
    try {
        for (const GeneralKey &k : generalKeys()) {
            const QString name = key(k.Key);
            const bool present = ini.HasKey(kGeneral, name);
            std::visit(
                [&](auto member) {
                    using T = std::remove_reference_t<decltype(this->*member)>;
                    T &field = this->*member;
                    if constexpr (std::is_same_v<T, bool>) {
                        field = ini.ReadBool(kGeneral, name, k.KeepPresent ? field : k.MissingNumber != 0);
                    } else if constexpr (std::is_same_v<T, int>) {
                        field = ini.ReadInteger(kGeneral, name, k.MissingNumber);
                        if (field < k.Lowest || field > k.Highest)
                            field = k.HoldAtEnds ? std::clamp(field, k.Lowest, k.Highest) : k.MissingNumber;
                    } else if constexpr (std::is_same_v<T, QString>) {
                        const QString value =
                            present ? ini.ReadString(kGeneral, name, QString())
                                    : (k.KeepPresent ? field : QString::fromLatin1(k.MissingText));
                        field = k.Kind == Form::S1 ? DecodeLineBreaks(value)
                              : k.Kind == Form::T  ? value.trimmed()
                                                   : value;
                        // A NUL cuts a path where the system reads it: the
                        // build would write elsewhere than the path shown.
                        if (isPathKey(member) && field.contains(QChar(0)))
                            throw Exception(QStringLiteral("the path of %1 holds a NUL character.").arg(name));
                    } else if constexpr (std::is_same_v<T, QByteArray>) {
                        const QByteArray bytes = HexToStream(ini.ReadString(kGeneral, name, QString()));
                        ReadTemplateEntries(bytes, name); // refuses a damaged or hostile package now
                        field = bytes;
                    } else {
                        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
                        field = DecodeLineBreaks(ini.ReadString(kGeneral, name, QString())).split(lineBreak);
                        if (!field.isEmpty() && field.last().isEmpty())
                            field.removeLast();
                    }
                },
                k.Member);
        }
    } catch (const Exception &e) {
        Clear();
        throw Exception(QStringLiteral("The project file \"%1\" is damaged: %2").arg(FileName, e.message()));
    }
    // Without a navigation setting every build would fail: use the new-project one.
    if (NavSetting.trimmed().isEmpty())
        NavSetting = kNewNavSetting;
    CHMProjectReadFromIni(CHMSetting, ini, kCHMSetting);
    ProjectChanged = false;
    ProjectFilename = FileName;
    RootDir = withSeparator(QFileInfo(FileName).absolutePath());
    IsNew = false;
}

void TProject::SaveToIni(const QString &FileName)
{
    QStringList lines{QStringLiteral("[") + kGeneral + u']'};
    for (const GeneralKey &k : generalKeys()) {
        QString value;
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(this->*member)>;
                const T &field = this->*member;
                if constexpr (std::is_same_v<T, bool>)
                    value = BoolToFlag(field);
                else if constexpr (std::is_same_v<T, int>)
                    value = QString::number(field);
                else if constexpr (std::is_same_v<T, QString>)
                    value = k.Kind == Form::S1 ? EncodeLineBreaks(field) : k.Kind == Form::T ? field.trimmed() : field;
                else if constexpr (std::is_same_v<T, QByteArray>)
                    value = StreamToHex(field);
                else
                    value = field.isEmpty() ? QString() : EncodeLineBreaks(field.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
            },
            k.Member);
        lines << key(k.Key) + u'=' + value;
    }
    lines << QString();
    CHMProjectSaveToIni(CHMSetting, lines, kCHMSetting);
    EnsureFolder(QFileInfo(FileName).absolutePath());
    SaveTextFile(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), FileName, 2);
    ProjectChanged = false;
    ProjectFilename = FileName;
    RootDir = withSeparator(QFileInfo(FileName).absolutePath());
    IsNew = false;
}

bool TProject::Save()
{
    SaveToIni(ProjectFilename);
    return true;
}

void TProject::CHMProjectReadFromIni(TCHMProject &Project, const TIniReader &Ini, const QString &Section)
{
    for (const CHMIntKey &k : kCHMInts) {
        const int value = Ini.ReadInteger(Section, key(k.Key), k.Missing);
        Project.*k.Member = value >= k.Lowest && value <= k.Highest ? value : k.Missing;
    }
    for (const CHMBoolKey &k : kCHMBools)
        Project.*k.Member = Ini.ReadBool(Section, key(k.Key), k.Value);
    Project.ContentsFont = Ini.ReadString(Section, QStringLiteral("ContentsFont"), QStringLiteral(",8,0"));
    Project.IndexFont = Ini.ReadString(Section, QStringLiteral("IndexFont"), QStringLiteral(",8,0"));
    Project.Language = Ini.ReadString(Section, QStringLiteral("Language"), QString());
    Project.Font = Ini.ReadString(Section, QStringLiteral("Font"), QString());
    Project.DefaultTopic = Ini.ReadString(Section, QStringLiteral("DefaultTopic"), QString());
}

void TProject::CHMProjectSaveToIni(const TCHMProject &Project, QStringList &Lines, const QString &Section) const
{
    Lines << u'[' + Section + u']';
    for (const CHMIntKey &k : kCHMInts)
        Lines << key(k.Key) + u'=' + QString::number(Project.*k.Member);
    for (const CHMBoolKey &k : kCHMBools)
        Lines << key(k.Key) + u'=' + BoolToFlag(Project.*k.Member);
    Lines << QStringLiteral("ContentsFont=") + Project.ContentsFont << QStringLiteral("IndexFont=") + Project.IndexFont
          << QStringLiteral("Language=") + Project.Language << QStringLiteral("Font=") + Project.Font
          << QStringLiteral("DefaultTopic=") + Project.DefaultTopic << QString();
}

QString TProject::RealPath(const QString &Path) const
{
    QString root = RootDir;
    while (root.size() > 1 && (root.endsWith(u'/') || root.endsWith(u'\\')))
        root.chop(1);
    QString p = ExpandMyDocuments(Path);
    p.replace(kProjectFolder, root, Qt::CaseInsensitive);
    if (!IsStoredPathAbsolute(p) && !root.isEmpty())
        p = withSeparator(root) + p; // before the first save or read there is no folder to start from
    return ResolvePath(p);
}

QString TProject::RealPath(int PathType) const
{
    const QString *fields[] = {&SourceFile, &CompiledFile, &WebHelpOutputFolder, &PDFFile, &HtmlHelpContextFile,
                               &HHPFolder};
    if (PathType < 0 || PathType > 5)
        return QString();
    const QString path = RealPath(*fields[PathType]);
    return PathType == 2 || PathType == 5 ? withSeparator(path) : path;
}

// ---- Routines ---------------------------------------------------------------------------

QString NewProjectFolder()
{
    const QString base = withSeparator(GetSpecialFolder(CSIDL_PERSONAL));
    for (int n = 1; n <= 99999; ++n) {
        const QString candidate = base + QStringLiteral("Quillcraft/Project%1/").arg(n);
        if (!QFileInfo::exists(candidate) || IsFolderEmpty(candidate))
            return candidate;
    }
    return QString();
}

void ReadContextCodeDefaults(QString &TopCode, QString &CodeTemplate, QString &BottomCode)
{
    const TIniReader ini = TIniReader::FromFile(ProgramFolder() + QStringLiteral("context.dat"));
    const QString section = QStringLiteral("C#");
    TopCode = DecodeLineBreaks(ini.ReadString(section, QStringLiteral("TopCode"), QString()));
    CodeTemplate = ini.ReadString(section, QStringLiteral("CodeTemplate"), QString());
    BottomCode = DecodeLineBreaks(ini.ReadString(section, QStringLiteral("BottomCode"), QString()));
}

QString BoolToFlag(bool Value) { return Value ? QStringLiteral("1") : QStringLiteral("0"); }

void EnsureFolder(const QString &Folder)
{
    if (!Folder.isEmpty())
        QDir().mkpath(Folder);
}
