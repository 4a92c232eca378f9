#pragma once
// Writes small .docx packages for tests: a document body (and optionally
// styles, relationships and extra parts) given as WordprocessingML snippets.
#include <QByteArray>
#include <QList>
#include <QString>

namespace testsupport {

class DocxBuilder {
public:
    // The namespace declarations that the default document root carries.
    static QByteArray namespaces();
    // Styles with Normal, Heading 1 to 9 (outline levels from the styles) and
    // Hyperlink: the default styles part.
    static QByteArray defaultStyles();

    // The content of w:body.
    DocxBuilder &body(const QByteArray &bodyXml);
    // A whole document.xml instead of a body.
    DocxBuilder &documentXml(const QByteArray &xml);
    // The content of w:styles (wrapped in a w:styles root with namespaces).
    DocxBuilder &styles(const QByteArray &stylesInner);
    // A relationship of word/document.xml.
    DocxBuilder &relationship(const QString &id, const QString &type, const QString &target,
                              bool external = false);
    // Any further part; a content type is added as an override when given.
    DocxBuilder &part(const QString &name, const QByteArray &bytes, const QString &contentType = QString());
    // Leaves a part out of the package ("[Content_Types].xml", "_rels/.rels" ...).
    DocxBuilder &omit(const QString &name);

    // Writes the package; fails the running test on error.
    void write(const QString &path) const;

private:
    struct Part {
        QString name;
        QByteArray bytes;
        QString contentType;
    };
    struct Rel {
        QString id, type, target;
        bool external;
    };
    QByteArray document_;
    QByteArray styles_;
    bool hasStyles_ = false;
    QList<Rel> rels_;
    QList<Part> parts_;
    QList<QString> omitted_;
};

} // namespace testsupport
