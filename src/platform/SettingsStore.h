#pragma once
// The per-user settings store: the program's few settings that live outside
// the project file (recent projects, options without a user interface). They
// are kept in an INI file in the user's configuration folder
// (~/.config/Tessaly/Quillcraft.ini), one value per name.
#include <QString>
#include <QVariant>

namespace settings {

// The file that holds the settings (created on first write).
QString StoreFileName();

// The value stored under name, or defaultValue when there is none or it is
// not a whole number.
int ReadInteger(const QString &name, int defaultValue = 0);
QString ReadString(const QString &name, const QString &defaultValue = QString());
bool Contains(const QString &name);

// Stores a value and writes the file; throws Exception when it cannot be written.
void WriteInteger(const QString &name, int value);
void WriteString(const QString &name, const QString &value);
void Remove(const QString &name);

} // namespace settings
