#pragma once
// Points HOME, the XDG folders, TMPDIR and the locale at a scratch folder for
// the lifetime of the object, so that tests touch nothing of the real user.
#include "support/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QPair>
#include <QString>

class IsolatedUser {
public:
    explicit IsolatedUser(const QByteArray &locale = "en_US.UTF-8")
    {
        home_ = QDir(scratch_.path()).filePath(QStringLiteral("home"));
        documents_ = home_ + QStringLiteral("/Dokumente");
        temp_ = QDir(scratch_.path()).filePath(QStringLiteral("tmp"));
        QDir().mkpath(documents_);
        QDir().mkpath(temp_);
        QDir().mkpath(home_ + QStringLiteral("/.config"));
        testsupport::writeFile(home_ + QStringLiteral("/.config/user-dirs.dirs"),
                               "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
        set("HOME", home_.toLocal8Bit());
        set("XDG_CONFIG_HOME", (home_ + QStringLiteral("/.config")).toLocal8Bit());
        set("TMPDIR", temp_.toLocal8Bit());
        set("LC_ALL", locale);
    }
    ~IsolatedUser()
    {
        for (auto it = saved_.crbegin(); it != saved_.crend(); ++it) {
            if (it->second.isNull())
                qunsetenv(it->first.constData());
            else
                qputenv(it->first.constData(), it->second);
        }
    }
    IsolatedUser(const IsolatedUser &) = delete;
    IsolatedUser &operator=(const IsolatedUser &) = delete;

    QString home() const { return home_; }
    QString documents() const { return documents_; }
    QString temp() const { return temp_; }
    // A folder for the test's own files (outside home and temp).
    QString work(const QString &name = QString()) const
    {
        const QString dir = QDir(scratch_.path()).filePath(QStringLiteral("work"));
        QDir().mkpath(dir);
        return name.isEmpty() ? dir : dir + QLatin1Char('/') + name;
    }

    void set(const char *name, const QByteArray &value)
    {
        saved_.append({QByteArray(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
        qputenv(name, value);
    }

private:
    testsupport::ScratchDir scratch_;
    QString home_, documents_, temp_;
    QList<QPair<QByteArray, QByteArray>> saved_;
};
