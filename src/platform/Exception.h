#pragma once
// The one exception type of the system: work that fails throws an Exception
// carrying a message for the user; workers catch it and mark themselves
// failed, handlers in the interface show its message.
#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(const QString &message)
        : message_(message), utf8_(message.toUtf8()) {}
    const QString &message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
