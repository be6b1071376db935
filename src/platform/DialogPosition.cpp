#include "platform/DialogPosition.h"

#include "platform/Registry.h"
#include "platform/WindowManagement.h"

#include <QRect>
#include <QWidget>

namespace qp {

namespace {

constexpr int kDefaultPosition = 150;

}  // namespace

void saveDialogPosition(Registry& registry, const QWidget& dialog, const QString& subkey)
{
    const QRect frame = dialog.frameGeometry();
    RegKey key = RegKey::openSettingsWrite(registry, subkey);
    key.writeInteger(QStringLiteral("Position_Left"), frame.left());
    key.writeInteger(QStringLiteral("Position_Top"), frame.top());
}

void restoreDialogPosition(Registry& registry, QWidget& dialog, const QString& subkey, bool rememberPositions,
                           const QRect& mainWindowFrame)
{
    if (rememberPositions) {
        const std::optional<RegKey> key = RegKey::openSettingsRead(registry, subkey);
        if (!key)
            return;
        // Each coordinate is applied as it is read, so a failing top leaves the left applied.
        const int left = key->readInteger(QStringLiteral("Position_Left"), kDefaultPosition);
        moveFrameTo(dialog, QPoint(left, dialog.frameGeometry().top()));
        moveFrameTo(dialog, QPoint(left, key->readInteger(QStringLiteral("Position_Top"), kDefaultPosition)));
        return;
    }
    // Integer division truncates toward zero, as the halving must.
    const QRect frame = dialog.frameGeometry();
    const int left = mainWindowFrame.left() + mainWindowFrame.width() / 2 - frame.width() / 2;
    const int top = mainWindowFrame.top() + mainWindowFrame.height() / 2 - frame.height() / 2;
    moveFrameTo(dialog, QPoint(left, top));
}

}  // namespace qp
