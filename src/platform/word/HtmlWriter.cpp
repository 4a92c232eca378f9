#include "platform/word/HtmlWriter.h"

#include "platform/Exception.h"

namespace word {

// Placeholder until the filtered-HTML writer is merged.
void WriteFilteredHtml(const Document &, const QString &)
{
    throw Exception(QStringLiteral("Saving as filtered HTML is not available"));
}

} // namespace word
