#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace qp {

// The silent abort: ends a command and every caller up to the event loop
// without a message (a Cancel answer, a cancelled dialog, a refused load).
struct CancelSignal {};

// An error that reaches the event loop is shown in the error box with its
// text, followed by its details when it has any.
class AppError : public std::exception {
public:
    explicit AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const { return m_message; }
    // What the user needs besides the message to mend the failure (which
    // file, and the system's reason); empty for most errors.
    virtual QString details() const { return {}; }
    // The message and its details, as the error box shows them.
    QString shownText() const;
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

[[noreturn]] inline void cancel() { throw CancelSignal{}; }

// A whole number as a dialog field holds it, in decimal with leading spaces
// and a sign allowed; anything else is the conversion error "'<text>' is not a
// valid integer value".
int integerFromText(const QString& text);

class MessageService;

// The one guard every entry from the event loop runs through: the cancel
// signal is swallowed, any other error goes to the error box. Returns true
// when the work ran to its end.
bool runGuarded(MessageService& messages, const std::function<void()>& work);

}  // namespace qp
