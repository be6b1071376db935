#include "platform/SystemServices.h"

#include "platform/WindowManagement.h"

#include <QGuiApplication>
#include <QScreen>

namespace qp {

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class QtScreenInfo final : public ScreenInfo {
public:
    QRect screenGeometry() const override
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    }
    QList<QRect> screens() const override { return screenBounds(); }
};

}  // namespace

std::unique_ptr<Clock> makeSystemClock()
{
    return std::make_unique<SystemClock>();
}

std::unique_ptr<ScreenInfo> makeQtScreenInfo()
{
    return std::make_unique<QtScreenInfo>();
}

}  // namespace qp
