#pragma once

#include "app/Commands.h"

#include <QKeyCombination>
#include <QObject>

#include <optional>

class QKeyEvent;

namespace qp {

class TApp;

// The program's one shortcut dispatch: it sees every key press of the
// program's windows before the focused control does, finds the command the
// key stands for (pop-up menu of the focused control, then the main menu
// while it is attached, then the action lists in order), runs it if it is
// enabled and uses the key up. Keys no command uses go on unchanged.
class CommandDispatch : public QObject {
    Q_OBJECT
public:
    explicit CommandDispatch(TApp& app);
    ~CommandDispatch() override;

    // The command that takes the key, pressed with the focus on `focus`;
    // nullopt when the key goes on to the control.
    std::optional<Command> commandFor(QKeyCombination key, QWidget* focus) const;
    // The same for a key press: every combination the keyboard layout gives
    // for it is tried in turn, as Qt matches its own shortcuts, so that Alt+;
    // works wherever ";" can be typed, with or without Shift.
    std::optional<Command> commandFor(const QKeyEvent& event, QWidget* focus) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isOurWindow(const QWidget* window) const;
    bool windowClaims(const QWidget* window, QKeyCombination key) const;

    TApp& m_app;
};

// The key as the command table names it, for a press that no keyboard made
// (no layout to ask): shifted punctuation is the key that carries it on a US
// keyboard (Ctrl+Shift+> is Ctrl+Shift+.), keypad Enter is Return.
QKeyCombination tableKey(const QKeyEvent& event);
QKeyCombination tableKey(Qt::Key key, Qt::KeyboardModifiers modifiers);

}  // namespace qp
