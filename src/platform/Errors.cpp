#include "platform/Errors.h"

#include "platform/MessageService.h"

#include <QtGlobal>

namespace qp {

bool runGuarded(MessageService& messages, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const CancelSignal&) {
    } catch (const AppError& error) {
        messages.error(error.message());
    } catch (const std::exception& error) {
        messages.error(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        messages.error(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

}  // namespace qp
