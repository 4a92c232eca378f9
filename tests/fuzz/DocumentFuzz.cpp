// The document reader: the package (zip, XML parts) and the document model
// over it, walked as the converter walks it.
#include "FuzzInput.h"

#include "platform/word/Document.h"
#include "platform/word/LibreOffice.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzzinput::WriteInput(data, size, QStringLiteral("input.docx"));
    if (path.isEmpty())
        return 0;
    // Inputs that look like another format (.rtf, .doc) would go to
    // LibreOffice: a program that is not there keeps the run in this reader.
    static const bool noOffice = (word::lo::SetProgram(QStringLiteral("/nonexistent/soffice")), true);
    (void)noOffice;
    try {
        word::Application app;
        word::Document *doc = app.Documents().Open(path);
        word::Paragraphs paragraphs = doc->Paragraphs();
        const int count = paragraphs.Count();
        for (int i = 1; i <= count && i <= 2000; ++i)
            (void)paragraphs.Item(i).Range().Text();
        (void)doc->outlineLevels();
        (void)doc->inlineShapeList();
        (void)doc->floatingShapeList();
        doc->Close();
    } catch (const std::exception &) {
        // A refused document is a result, not a finding.
    }
    return 0;
}
