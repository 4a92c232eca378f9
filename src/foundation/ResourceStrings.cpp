#include "foundation/ResourceStrings.h"

TResource::TResource()
{
    InitializeString();
}

void TResource::InitializeString()
{
    Strings.clear();
    Strings << QStringLiteral("500=This is not an empty folder. Do you want to empty it?")
            << QStringLiteral("501=This function needs Microsoft Word 2007 or later version!")
            << QStringLiteral("600=\"%s\" already exists. Do you want to replace it?")
            << QStringLiteral("601=The Word file \"%s\" has been created. Do you want to open it?")
            << QStringLiteral("602=\"%s\" does not exist!")
            << QStringLiteral("603=The word file is created successful! Open it?")
            << QStringLiteral("604=The convertion is failed!")
            << QStringLiteral("WizardTitle0=Place the project")
            << QStringLiteral("WizardDescription0=Set the position where you want to save the project file.")
            << QStringLiteral("WizardTitle1=Set the Word document")
            << QStringLiteral("WizardDescription1=There are several ways to get Word document.");
}

QString TResource::GetStringById(const QString &Id) const
{
    for (const QString &row : Strings) {
        const qsizetype separator = row.indexOf(QLatin1Char('='));
        if (separator >= 0 && QStringView(row).left(separator).compare(Id, Qt::CaseInsensitive) == 0)
            return row.mid(separator + 1);
    }
    return QString();
}

// Built ahead of ordinary globals so that start-up code may read it.
__attribute__((init_priority(1000))) const TResource UIStrings;
