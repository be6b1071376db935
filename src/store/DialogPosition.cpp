#include "store/DialogPosition.h"

#include "platform/WindowManagement.h"
#include "store/Registry.h"

#include <QEvent>
#include <QRect>
#include <QWidget>

namespace qp {

namespace {

constexpr int kDefaultPosition = 150;

// Watches the dialog's own showing, hiding and activation; a window manager's
// spontaneous show or hide (a desktop switch) moves nothing.
class PositionKeeper final : public QObject {
public:
    PositionKeeper(QWidget& dialog, Registry& registry, QString subkey, std::function<bool()> remember,
                   std::function<QRect()> mainWindowFrame, std::function<bool(const std::function<void()>&)> guarded)
        : m_dialog(dialog),
          m_registry(registry),
          m_subkey(std::move(subkey)),
          m_remember(std::move(remember)),
          m_mainWindowFrame(std::move(mainWindowFrame)),
          m_guarded(std::move(guarded))
    {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &m_dialog)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            if (!event->spontaneous())
                m_guarded([this] {
                    restoreDialogPosition(m_registry, m_dialog, m_subkey, m_remember(), m_mainWindowFrame());
                });
            break;
        case QEvent::Hide:
            if (!event->spontaneous())
                save();
            break;
        case QEvent::ActivationChange:
            if (m_dialog.isVisible() && !m_dialog.isActiveWindow())
                save();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void save()
    {
        m_guarded([this] { saveDialogPosition(m_registry, m_dialog, m_subkey); });
    }

    QWidget& m_dialog;
    Registry& m_registry;
    const QString m_subkey;
    const std::function<bool()> m_remember;
    const std::function<QRect()> m_mainWindowFrame;
    const std::function<bool(const std::function<void()>&)> m_guarded;
};

}  // namespace

std::unique_ptr<QObject> keepDialogPosition(QWidget& dialog, Registry& registry, const QString& subkey,
                                            std::function<bool()> rememberPositions,
                                            std::function<QRect()> mainWindowFrame,
                                            std::function<bool(const std::function<void()>&)> guarded)
{
    return std::make_unique<PositionKeeper>(dialog, registry, subkey, std::move(rememberPositions), std::move(mainWindowFrame),
                       std::move(guarded));
}

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
        const int top = key->readInteger(QStringLiteral("Position_Top"), kDefaultPosition);
        // A position off every screen (a monitor unplugged, a damaged file) would hide the dialog.
        const QSize size = dialog.frameGeometry().size();
        const QRect usable = usableWindowBounds(left, top, size.width(), size.height(), screenBounds(), size);
        moveFrameTo(dialog, usable.topLeft());
        return;
    }
    // Integer division truncates toward zero, as the halving must.
    const QRect frame = dialog.frameGeometry();
    const int left = mainWindowFrame.left() + mainWindowFrame.width() / 2 - frame.width() / 2;
    const int top = mainWindowFrame.top() + mainWindowFrame.height() / 2 - frame.height() / 2;
    moveFrameTo(dialog, QPoint(left, top));
}

}  // namespace qp
