#include "platform/SettingsStore.h"

#include "platform/Exception.h"

#include <QMutex>
#include <QSettings>

namespace settings {
namespace {

// QSettings objects are cheap; one per call keeps threads apart, and the
// mutex keeps two writers of this process from interleaving.
QMutex &storeMutex()
{
    static QMutex mutex;
    return mutex;
}

QSettings openStore()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tessaly"),
                     QStringLiteral("Quillcraft"));
}

void flush(QSettings &store)
{
    store.sync();
    if (store.status() != QSettings::NoError)
        throw Exception(QStringLiteral("Cannot write the settings file \"%1\".").arg(store.fileName()));
}

} // namespace

QString StoreFileName()
{
    return openStore().fileName();
}

int ReadInteger(const QString &name, int defaultValue)
{
    QMutexLocker lock(&storeMutex());
    QSettings store = openStore();
    bool ok = false;
    const int value = store.value(name).toInt(&ok);
    return ok ? value : defaultValue;
}

QString ReadString(const QString &name, const QString &defaultValue)
{
    QMutexLocker lock(&storeMutex());
    QSettings store = openStore();
    return store.contains(name) ? store.value(name).toString() : defaultValue;
}

bool Contains(const QString &name)
{
    QMutexLocker lock(&storeMutex());
    return openStore().contains(name);
}

void WriteInteger(const QString &name, int value)
{
    QMutexLocker lock(&storeMutex());
    QSettings store = openStore();
    store.setValue(name, value);
    flush(store);
}

void WriteString(const QString &name, const QString &value)
{
    QMutexLocker lock(&storeMutex());
    QSettings store = openStore();
    store.setValue(name, value);
    flush(store);
}

void Remove(const QString &name)
{
    QMutexLocker lock(&storeMutex());
    QSettings store = openStore();
    store.remove(name);
    flush(store);
}

} // namespace settings
