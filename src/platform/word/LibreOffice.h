#pragma once
// Bridge to LibreOffice run headless (the "soffice" program). It converts
// documents that the document engine cannot read itself (.doc, .rtf ...) into
// .docx, writes .doc files, and renders .docx documents as PDF.
//
// Every conversion runs soffice as a child process (never through a shell).
// One user profile per user is kept between conversions and locked while in
// use; a conversion that finds it locked runs with a fresh private profile,
// so any number of conversions may run at once. A kept profile that fails is
// made afresh and the conversion tried once more. A stop request of the
// thread (platform/StopRequest.h) ends the conversion with its processes. The input is copied into the scratch folder
// under a plain name first, so file names with spaces, quotes or any script
// work and soffice leaves no lock files beside the user's document. Each run
// has a time limit; the output is checked (soffice can exit 0 without writing
// anything) and moved into place only when it is sound. Every failure throws
// Exception with a message naming the file and the problem.
#include <QString>

namespace word::lo {

// Each conversion's scratch folder lies in the system temporary folder,
// named this prefix, the run's tag (processes::RunTag), "-" and a random part.
QString LeftoverPrefix();

// True when the soffice program can be found (see SetProgram).
bool IsAvailable();

// Converts a document that LibreOffice can read (.doc, .rtf, .odt ...) to
// .docx. The result is written to outDir (created when missing) as the
// input's base name + ".docx", replacing a file of that name; returns its path.
QString ConvertToDocx(const QString &input, const QString &outDir);

// Writes the .docx document as a Word 97-2003 document at outDoc.
void ConvertDocxToDoc(const QString &docx, const QString &outDoc);

// Renders the .docx document as PDF at outPdf, with bookmarks made from the
// headings.
void ConvertDocxToPdf(const QString &docx, const QString &outPdf);

// The general conversion behind the three above. convertTo is soffice's
// "--convert-to" value: the target extension, optionally followed by ":" and
// the export filter name (and its options). purpose completes the message
// given when soffice is missing ("... it is needed to <purpose>."). The output
// is written to output (its folder created when missing), replacing a file of
// that name only after the conversion succeeded.
void Convert(const QString &input, const QString &convertTo, const QString &output,
             const QString &purpose);

// The program run for conversions: by default "soffice" looked up on PATH.
// A name without "/" is looked up on PATH at each run; a path is used as it
// stands. An empty text restores the default. Meant for tests and packaging.
void SetProgram(const QString &program);
QString Program();

// Time limit of one conversion of up to a quarter megabyte in milliseconds
// (default 180000; 0 or less restores it). The child is killed, with every
// process it started, when the limit passes.
void SetTimeoutMs(int ms);
int TimeoutMs();
// The limit for converting a file of that size: the time limit for each
// started quarter megabyte, growing with the size past one megabyte.
qint64 LimitFor(qint64 inputBytes);

} // namespace word::lo
