#pragma once

#include <QString>
#include <stdexcept>

// Base of every failure the serial and module layers raise. The text is what the
// user reads; only operation frames and dialogs show it.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
