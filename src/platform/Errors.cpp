#include "platform/Errors.h"

#include "platform/MessageService.h"

#include <QtGlobal>

namespace qp {

QString AppError::shownText() const
{
    const QString more = details();
    return more.isEmpty() ? m_message : m_message + QLatin1Char('\r') + more;
}

bool runGuarded(MessageService& messages, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const CancelSignal&) {
    } catch (const AppError& error) {
        messages.error(error.shownText());
    } catch (const std::exception& error) {
        messages.error(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        messages.error(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

int integerFromText(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    const QStringView number = QStringView(text).mid(start);
    bool ok = !number.isEmpty() && !number.back().isSpace();
    const int value = ok ? number.toInt(&ok, 10) : 0;
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

}  // namespace qp
