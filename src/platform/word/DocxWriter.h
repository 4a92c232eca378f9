#pragma once
// Writing .docx packages: the parts of a new document, saving a package as a
// .docx document, document properties, and bringing the body of another
// package (a subdocument) into a document with its pictures, links and styles.
#include <QString>
#include <memory>
#include <pugixml.hpp>

namespace word {

class Package;

// A new document: one empty paragraph, the standard styles (Normal, Heading
// 1 to 9, Hyperlink), settings and document properties.
std::unique_ptr<Package> NewDocumentPackage();

// Writes the package as a .docx document (the main part typed as a document,
// not a template or macro document). Throws PackageError naming the file.
// compressionLevel: as Package::Save takes it.
void WriteDocx(Package &package, const QString &fileName, int compressionLevel = 6);

// The "mark as final" flag (the custom property _MarkAsFinal).
bool MarkedAsFinal(const Package &package);
void SetMarkedAsFinal(Package &package, bool on);

// Copies the body content of `source`'s main part (without its section
// properties) into `target` before `before` (a child of a body-level
// container in `target`'s main part). Pictures and other related parts are
// copied with new names, relationships get new ids, and styles the target
// lacks are copied from the source.
void ImportBody(Package &target, pugi::xml_node before, const Package &source);

} // namespace word
