#include "platform/word/DocxWriter.h"

#include "platform/word/Package.h"
#include "platform/word/Styles.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cstring>

namespace word {

namespace {

const char *const kMainType = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
const char *const kStylesType = "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml";
const char *const kSettingsType = "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";
const char *const kCustomType = "application/vnd.openxmlformats-officedocument.custom-properties+xml";
const char *const kCustomRel =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/custom-properties";
const char *const kFinalName = "_MarkAsFinal";

const QByteArray kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

QString customPart(const Package &package)
{
    return package.relationshipByType(QString(), QString::fromLatin1(kCustomRel)).targetPart;
}

// Attributes that name relationships of the part they are in.
bool isRelationshipAttribute(const char *name)
{
    return std::strncmp(name, "r:", 2) == 0
           && (std::strcmp(name, "r:id") == 0 || std::strcmp(name, "r:embed") == 0 || std::strcmp(name, "r:link") == 0
               || std::strcmp(name, "r:pict") == 0 || std::strcmp(name, "r:href") == 0
               || std::strcmp(name, "r:dm") == 0 || std::strcmp(name, "r:lo") == 0 || std::strcmp(name, "r:qs") == 0
               || std::strcmp(name, "r:cs") == 0);
}

QString uniquePartName(const Package &package, const QString &wanted)
{
    if (!package.hasPart(wanted))
        return wanted;
    const QFileInfo fi(wanted);
    const QString dir = wanted.left(wanted.size() - fi.fileName().size());
    for (int n = 1;; ++n) {
        const QString name = dir + fi.completeBaseName() + QStringLiteral("_%1").arg(n)
                             + (fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix());
        if (!package.hasPart(name))
            return name;
    }
}

// Relative target of a part seen from the main part's folder.
QString relativeTarget(const QString &fromPart, const QString &toPart)
{
    const QString dir = fromPart.left(fromPart.lastIndexOf(QLatin1Char('/')) + 1);
    if (!dir.isEmpty() && toPart.startsWith(dir))
        return toPart.mid(dir.size());
    return QLatin1Char('/') + toPart;
}

void copyStyle(Styles &targetStyles, const Styles &sourceStyles, const QString &id, QSet<QString> &seen)
{
    if (id.isEmpty() || seen.contains(id) || targetStyles.byId(id))
        return;
    seen.insert(id);
    const Style *s = sourceStyles.byId(id);
    if (!s || !targetStyles.document())
        return;
    copyStyle(targetStyles, sourceStyles, s->basedOn, seen);
    copyStyle(targetStyles, sourceStyles, s->link, seen);
    targetStyles.document()->document_element().append_copy(s->node);
    targetStyles.reload();
}

} // namespace

namespace {

std::unique_ptr<Package> makeNewDocumentPackage()
{
    auto pkg = std::make_unique<Package>();
    pkg->setXml(QStringLiteral("[Content_Types].xml"),
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Default Extension=\"png\" ContentType=\"image/png\"/>"
                "<Default Extension=\"jpeg\" ContentType=\"image/jpeg\"/>"
                "<Default Extension=\"gif\" ContentType=\"image/gif\"/></Types>",
                QString());
    pkg->setXml(QStringLiteral("word/document.xml"),
                "<w:document " + kW + "><w:body><w:p/><w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/>"
                "<w:pgMar w:top=\"1440\" w:right=\"1440\" w:bottom=\"1440\" w:left=\"1440\" w:header=\"720\" "
                "w:footer=\"720\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>",
                QString::fromLatin1(kMainType));
    pkg->setXml(QStringLiteral("word/styles.xml"), newStylesXml(), QString::fromLatin1(kStylesType));
    pkg->setXml(QStringLiteral("word/settings.xml"),
                "<w:settings " + kW + "><w:defaultTabStop w:val=\"720\"/><w:characterSpacingControl "
                "w:val=\"doNotCompress\"/><w:compat><w:compatSetting w:name=\"compatibilityMode\" "
                "w:uri=\"http://schemas.microsoft.com/office/word\" w:val=\"15\"/></w:compat></w:settings>",
                QString::fromLatin1(kSettingsType));
    pkg->addRelationship(QString(), QString::fromLatin1(reltype::OfficeDocument), QStringLiteral("word/document.xml"));
    pkg->addRelationship(QStringLiteral("word/document.xml"), QString::fromLatin1(reltype::Styles),
                         QStringLiteral("styles.xml"));
    pkg->addRelationship(QStringLiteral("word/document.xml"), QString::fromLatin1(reltype::Settings),
                         QStringLiteral("settings.xml"));
    return pkg;
}

} // namespace

std::unique_ptr<Package> NewDocumentPackage()
{
    // Built once, then copied: pages and clips each start as a new document.
    static const std::unique_ptr<const Package> blank = makeNewDocumentPackage();
    return blank->clone();
}

void WriteDocx(Package &package, const QString &fileName, int compressionLevel)
{
    const QString main = package.mainDocumentPart();
    if (!main.isEmpty()) {
        package.setContentType(main, QString::fromLatin1(kMainType));
        // A .docx holds no macros: the macro project of a macro-enabled
        // document stays out.
        for (const Relationship &r : package.relationships(main))
            if (r.type.endsWith(QLatin1String("/vbaProject"))) {
                package.removeRelationship(main, r.id);
                package.removePart(r.targetPart);
                package.removePart(Package::relsPartName(r.targetPart));
            }
    }
    package.Save(fileName, compressionLevel);
}

bool MarkedAsFinal(const Package &package)
{
    const QString part = customPart(package);
    const pugi::xml_document *doc = part.isEmpty() ? nullptr : package.xml(part);
    if (!doc)
        return false;
    for (pugi::xml_node p : doc->document_element().children("op:property"))
        if (std::strcmp(p.attribute("name").value(), kFinalName) == 0) {
            const QString v = QString::fromUtf8(p.child("vt:bool").text().get()).trimmed();
            return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        }
    return false;
}

void SetMarkedAsFinal(Package &package, bool on)
{
    QString part = customPart(package);
    pugi::xml_document *doc = part.isEmpty() ? nullptr : package.xml(part);
    if (!doc) {
        if (!on)
            return;
        part = QStringLiteral("docProps/custom.xml");
        doc = &package.setXml(part,
                              "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                              "custom-properties\" xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/"
                              "2006/docPropsVTypes\"/>",
                              QString::fromLatin1(kCustomType));
        package.addRelationship(QString(), QString::fromLatin1(kCustomRel), part);
    }
    pugi::xml_node root = doc->document_element();
    for (pugi::xml_node p : root.children("op:property"))
        if (std::strcmp(p.attribute("name").value(), kFinalName) == 0) {
            pugi::xml_node b = p.child("vt:bool");
            if (!b) {
                p.remove_children();
                b = p.append_child("vt:bool");
            }
            b.text().set(on ? "true" : "false");
            return;
        }
    if (!on)
        return;
    int pid = 1;
    for (pugi::xml_node p : root.children("op:property"))
        pid = std::max(pid, p.attribute("pid").as_int());
    pugi::xml_node p = root.append_child("op:property");
    p.append_attribute("fmtid").set_value("{D5CDD505-2E9C-101B-9397-08002B2CF9AE}");
    p.append_attribute("pid").set_value(pid + 1);
    p.append_attribute("name").set_value(kFinalName);
    p.append_child("vt:bool").text().set("true");
}

void ImportBody(Package &target, pugi::xml_node before, const Package &source)
{
    const QString srcMain = source.mainDocumentPart();
    const QString dstMain = target.mainDocumentPart();
    const pugi::xml_document *srcDoc = source.xml(srcMain);
    if (!srcDoc)
        return;
    pugi::xml_node parent = before.parent();
    QHash<QString, QString> idMap;
    QHash<QString, QString> partMap;
    std::vector<pugi::xml_node> added;
    for (pugi::xml_node c : srcDoc->document_element().child("w:body").children()) {
        if (c.type() != pugi::node_element || std::strcmp(c.name(), "w:sectPr") == 0)
            continue;
        added.push_back(parent.insert_copy_before(c, before));
    }
    // New relationship ids, copying the parts they lead to.
    for (pugi::xml_node top : added) {
        std::vector<pugi::xml_node> stack{top};
        while (!stack.empty()) {
            pugi::xml_node n = stack.back();
            stack.pop_back();
            for (pugi::xml_attribute a : n.attributes()) {
                if (!isRelationshipAttribute(a.name()))
                    continue;
                const QString oldId = QString::fromUtf8(a.value());
                if (!idMap.contains(oldId)) {
                    const Relationship rel = source.relationship(srcMain, oldId);
                    QString newId;
                    if (rel.id.isEmpty()) {
                        newId = oldId;
                    } else if (rel.external) {
                        newId = target.addRelationship(dstMain, rel.type, rel.target, true);
                    } else {
                        QString copied = partMap.value(rel.targetPart);
                        if (copied.isEmpty() && source.hasPart(rel.targetPart)) {
                            copied = uniquePartName(target, rel.targetPart);
                            target.setBytes(copied, source.bytes(rel.targetPart), source.contentType(rel.targetPart));
                            partMap.insert(rel.targetPart, copied);
                        }
                        newId = copied.isEmpty() ? oldId
                                                 : target.addRelationship(dstMain, rel.type,
                                                                          relativeTarget(dstMain, copied));
                    }
                    idMap.insert(oldId, newId);
                }
                a.set_value(idMap.value(oldId).toUtf8().constData());
            }
            for (pugi::xml_node k = n.first_child(); k; k = k.next_sibling())
                if (k.type() == pugi::node_element)
                    stack.push_back(k);
        }
    }
    // Styles the target lacks.
    const Relationship srcStylesRel = source.relationshipByType(srcMain, QString::fromLatin1(reltype::Styles));
    const Relationship dstStylesRel = target.relationshipByType(dstMain, QString::fromLatin1(reltype::Styles));
    if (srcStylesRel.targetPart.isEmpty() || dstStylesRel.targetPart.isEmpty())
        return;
    Styles srcStyles(const_cast<pugi::xml_document *>(source.xml(srcStylesRel.targetPart)));
    Styles dstStyles(target.xml(dstStylesRel.targetPart));
    QSet<QString> seen;
    for (pugi::xml_node top : added)
        for (pugi::xpath_node ref : top.select_nodes(".//w:pStyle | .//w:rStyle | .//w:tblStyle"))
            copyStyle(dstStyles, srcStyles, QString::fromUtf8(ref.node().attribute("w:val").value()), seen);
}

} // namespace word
