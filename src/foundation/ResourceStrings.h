#pragma once
// The message table: user messages and the new-project wizard's page
// captions, fetched by identifier. Texts holding "%s" are completed by the
// caller with a file name.
#include <QString>
#include <QStringList>

class TResource {
public:
    TResource(); // fills the table through InitializeString

    // Clears the table and adds its rows.
    void InitializeString();

    // The text of the row whose identifier equals Id without regard to case;
    // empty text when there is none.
    QString GetStringById(const QString &Id) const;

    // Rows of the form identifier "=" text, in table order.
    QStringList Strings;
};

// The one message table, built before main() runs and only read afterwards.
extern const TResource UIStrings;
