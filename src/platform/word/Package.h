#pragma once
// An Office Open XML package held in memory: the zip parts, their content
// types and relationships. XML parts are parsed into pugixml trees that stay
// the one truth; edits happen on those trees and Save writes them back.
//
// Namespaces are resolved by URI when a part is parsed: every element and
// attribute is renamed to the canonical prefix of its namespace (w:, r:, wp:,
// a:, pic:, v:, o:, w10:, mc:, wps:, wpg:, wpc:, m:, w14: ...; relationship
// and content-type parts use no prefix), with all declarations on the root
// element. So code may match names such as "w:p" whatever prefixes the
// writer of the file chose. Strict OOXML namespaces map to the transitional
// prefixes. Alternate content (mc:AlternateContent) is resolved on parsing:
// the first mc:Choice whose required namespaces are understood is kept, else
// the mc:Fallback.
#include "platform/Exception.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <limits>
#include <memory>
#include <pugixml.hpp>

namespace word {

// Relationship type URIs (transitional).
namespace reltype {
inline constexpr const char *OfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr const char *Styles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr const char *Numbering =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering";
inline constexpr const char *Footnotes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/footnotes";
inline constexpr const char *Endnotes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/endnotes";
inline constexpr const char *Settings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";
inline constexpr const char *Hyperlink =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
inline constexpr const char *Image =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
inline constexpr const char *SubDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/subDocument";
inline constexpr const char *Control =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/control";
inline constexpr const char *CoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
} // namespace reltype

// A package that cannot be read or written: the message names the file.
class PackageError : public Exception {
public:
    using Exception::Exception;
};

// Throws PackageError naming fileName and where it leads when a symbolic
// link stands there, also one that leads nowhere: a save never writes
// through a link. A hard link is no reason to refuse: a save puts a new file
// in place, and the file's other names keep what they held.
void RefuseLinkAtSaveTarget(const QString &fileName);

struct Relationship {
    QString id;
    QString type;       // the type URI (strict URIs are reported as transitional)
    QString target;     // as written in the file
    bool external = false;
    QString targetPart; // the resolved part name ("word/media/image1.png"); empty when external
};

class Package {
public:
    // Limits that keep a hostile package from exhausting memory.
    struct Limits {
        qint64 maxPartSize = 256ll * 1024 * 1024;  // uncompressed bytes of one part
        qint64 maxTotalSize = 1024ll * 1024 * 1024; // uncompressed bytes of all parts
        int maxParts = 20000;
        // Markup ("<") of all XML parts: each becomes a node of the tree and
        // more in the writers, some 300 bytes through a whole build, so this
        // holds a document to about 2.5 GB.
        qint64 maxMarkup = 8'000'000;
        // Large XML parts are parsed where their bytes lie, without a copy
        // beside them; a part that then proves to be no XML is lost, so only
        // for a package the program wrote itself.
        bool parseLargePartsInPlace = false;
        // No bounds: for a package the program wrote itself.
        static Limits OwnWork()
        {
            Limits l;
            l.maxPartSize = l.maxTotalSize = l.maxMarkup = std::numeric_limits<qint64>::max();
            l.maxParts = std::numeric_limits<int>::max();
            l.parseLargePartsInPlace = true;
            return l;
        }
    };

    // Reads a package from a file. Throws PackageError naming the file and the
    // problem for anything that is not a readable .docx package.
    static std::unique_ptr<Package> Open(const QString &fileName, const Limits &limits);
    // With the limits for documents from elsewhere (DefaultLimits).
    static std::unique_ptr<Package> Open(const QString &fileName);
    // The limits Open(fileName) applies; tests lower them to reach them with
    // small documents.
    static Limits &DefaultLimits();
    // What a file holds, judged from its first bytes.
    enum class Kind { Zip, CompoundFile, EncryptedPackage, Rtf, Other };
    static Kind Sniff(const QString &fileName);
    // An empty package (no parts, no relationships).
    Package();
    ~Package();
    Package(const Package &) = delete;
    Package &operator=(const Package &) = delete;
    // A deep copy: parts, trees and relationships.
    std::unique_ptr<Package> clone() const;

    // The file the package was read from (empty for a new one).
    const QString &fileName() const { return fileName_; }

    // Part names have no leading "/" ("word/document.xml"); lookups ignore case.
    QStringList partNames() const;
    bool hasPart(const QString &name) const;
    // The parsed tree of an XML part; nullptr when the part is absent. Throws
    // PackageError when the part is not well-formed XML.
    pugi::xml_document *xml(const QString &name);
    const pugi::xml_document *xml(const QString &name) const;
    // The bytes of a part (an XML part is serialised from its tree). A part
    // that the zip holds damaged throws PackageError here and in xml();
    // such parts are left out when saving.
    QByteArray bytes(const QString &name) const;
    // True when some part could not be read from the zip.
    bool hasDamagedParts() const;
    // Adds or replaces a part.
    void setBytes(const QString &name, const QByteArray &bytes, const QString &contentType);
    pugi::xml_document &setXml(const QString &name, const QByteArray &xmlText,
                               const QString &contentType);
    void removePart(const QString &name);

    // Content type of a part, from [Content_Types].xml (override, then default).
    QString contentType(const QString &name) const;
    // Records a part's content type (an override unless a default gives it).
    void setContentType(const QString &name, const QString &contentType);

    // Relationships of a part ("" for the package's own _rels/.rels).
    QList<Relationship> relationships(const QString &source) const;
    // The relationship with this id, or one with id empty when there is none.
    Relationship relationship(const QString &source, const QString &id) const;
    // The first relationship of the given type, or one with id empty.
    Relationship relationshipByType(const QString &source, const QString &type) const;
    // Adds a relationship and gives its new id.
    QString addRelationship(const QString &source, const QString &type, const QString &target,
                            bool external = false);
    void removeRelationship(const QString &source, const QString &id);

    // The main document part ("word/document.xml" usually).
    QString mainDocumentPart() const;

    // Writes the package as a zip file; throws PackageError on failure.
    // The file is written beside the target first and then moved into place.
    // A symbolic link at the target is refused (RefuseLinkAtSaveTarget).
    // Parts are compressed at zlib's level (6, its usual one; 1 for a file
    // that only this program reads back soon).
    void Save(const QString &fileName, int compressionLevel = 6) const;

    // The name of the relationships part of a source part.
    static QString relsPartName(const QString &source);
    // Resolves a relationship target relative to its source part.
    static QString resolveTarget(const QString &source, const QString &target);

private:
    struct Part {
        QString name;
        QByteArray bytes;                       // raw bytes while not parsed
        // The bytes the tree was parsed from, in place: its names and texts
        // point into them, so they live as long as the tree (declared
        // first, they are freed after it).
        QByteArray backing;
        std::unique_ptr<pugi::xml_document> doc; // parsed tree once parsed
        bool isXml = false;
        QString damage; // why the part could not be read; empty when sound
        qsizetype readSize = 0; // bytes the tree was read from: room to reserve when writing it
    };
    Part *find(const QString &name);
    const Part *find(const QString &name) const;
    void parse(Part &part) const;
    pugi::xml_document *contentTypesDoc();
    pugi::xml_document *relsDoc(const QString &source, bool create);
    // The relationships of one source part, resolved once and looked up by
    // id and by type; dropped whenever a relationships part may change.
    struct RelIndex {
        QList<Relationship> list;
        QHash<QString, qsizetype> byId;   // first of each id
        QHash<QString, qsizetype> byType; // first of each type
    };
    const RelIndex &relIndex(const QString &source) const;
    void dropRelIndex(const QString &relsPart) const;

    QString fileName_;
    bool parseLargePartsInPlace_ = false;
    std::vector<std::unique_ptr<Part>> parts_;
    QHash<QString, Part *> index_; // lower-cased name -> part
    // Per relationships part: the next free "rId" number, once known.
    QHash<QString, int> nextRelationshipId_;
    mutable QHash<QString, std::shared_ptr<const RelIndex>> relIndex_; // lower-cased rels part name -> index
};

// The canonical prefix of a namespace URI, or empty when the URI is unknown.
QString canonicalPrefix(const QString &uri);
// The namespace URI of a canonical prefix.
QString namespaceUri(const QString &prefix);

} // namespace word
