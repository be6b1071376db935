#include "platform/KeyboardLayout.h"

#include <QKeyEvent>
#include <QtGui/private/qkeymapper_p.h>

namespace qp {

QList<QKeyCombination> possibleKeyCombinations(const QKeyEvent& event)
{
    QList<QKeyCombination> result{event.keyCombination()};
    if (event.nativeScanCode() == 0)
        return result;
    // Qt asks the platform's keymap (xkb on X11 and Wayland) what else the
    // key gives at the levels the held modifiers select. It only reads the event.
    for (const int combined : QKeyMapper::possibleKeys(const_cast<QKeyEvent*>(&event))) {
        const QKeyCombination combination = QKeyCombination::fromCombined(combined);
        if (!result.contains(combination))
            result << combination;
    }
    return result;
}

}  // namespace qp
