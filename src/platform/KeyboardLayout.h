#pragma once

#include <QKeyCombination>
#include <QList>

class QKeyEvent;

namespace qp {

// Every key combination the active keyboard layout can produce with the
// press, in the order Qt's own shortcut matching tries them, after the press
// as it came. On a German layout Alt+Shift+comma types ";" and so also gives
// Alt+;. A press that no keyboard made (no native scan code) gives itself alone.
QList<QKeyCombination> possibleKeyCombinations(const QKeyEvent& event);

}  // namespace qp
