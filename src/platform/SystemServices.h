#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>

#include <memory>

namespace qp {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class ScreenInfo {
public:
    virtual ~ScreenInfo() = default;
    // The primary screen's full bounds in pixels.
    virtual QRect screenGeometry() const = 0;
    // Every screen's bounds, the primary screen's first.
    virtual QList<QRect> screens() const { return {screenGeometry()}; }
};

std::unique_ptr<Clock> makeSystemClock();
std::unique_ptr<ScreenInfo> makeQtScreenInfo();

}  // namespace qp
