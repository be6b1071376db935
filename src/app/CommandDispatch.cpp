#include "app/CommandDispatch.h"

#include "app/Applic.h"
#include "editor/RichEdit.h"
#include "platform/KeyboardLayout.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace qp {

namespace {

Qt::Key unshifted(Qt::Key key)
{
    switch (key) {
    case Qt::Key_Exclam: return Qt::Key_1;
    case Qt::Key_At: return Qt::Key_2;
    case Qt::Key_NumberSign: return Qt::Key_3;
    case Qt::Key_Dollar: return Qt::Key_4;
    case Qt::Key_Percent: return Qt::Key_5;
    case Qt::Key_AsciiCircum: return Qt::Key_6;
    case Qt::Key_Ampersand: return Qt::Key_7;
    case Qt::Key_Asterisk: return Qt::Key_8;
    case Qt::Key_ParenLeft: return Qt::Key_9;
    case Qt::Key_ParenRight: return Qt::Key_0;
    case Qt::Key_Underscore: return Qt::Key_Minus;
    case Qt::Key_Plus: return Qt::Key_Equal;
    case Qt::Key_BraceLeft: return Qt::Key_BracketLeft;
    case Qt::Key_BraceRight: return Qt::Key_BracketRight;
    case Qt::Key_Bar: return Qt::Key_Backslash;
    case Qt::Key_Colon: return Qt::Key_Semicolon;
    case Qt::Key_QuoteDbl: return Qt::Key_Apostrophe;
    case Qt::Key_Less: return Qt::Key_Comma;
    case Qt::Key_Greater: return Qt::Key_Period;
    case Qt::Key_Question: return Qt::Key_Slash;
    case Qt::Key_AsciiTilde: return Qt::Key_QuoteLeft;
    case Qt::Key_Backtab: return Qt::Key_Tab;
    default: return key;
    }
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
           || key == Qt::Key_AltGr || key == Qt::Key_unknown || key == 0;
}

QKeyCombination fromTable(const char* text)
{
    const QKeySequence sequence = QKeySequence::fromString(QString::fromLatin1(text), QKeySequence::PortableText);
    return sequence.isEmpty() ? QKeyCombination() : sequence[0];
}

QKeyCombination shortcutOf(Command command)
{
    // Parsed once; the table is fixed for the life of the program.
    static const auto keys = [] {
        std::array<QKeyCombination, CommandCount> result{};
        for (const CommandRow& row : commandTable())
            result[int(row.command)] = fromTable(row.shortcut);
        return result;
    }();
    return keys[int(command)];
}

std::optional<Command> findInMenu(const MenuLayout& menu, QKeyCombination key)
{
    for (const MenuItem& item : menu.items) {
        if (item.command != Command::Count && shortcutOf(item.command) == key)
            return item.command;
    }
    return std::nullopt;
}

// An access key ("&R" in "&Replace") of a control the dialog shows.
bool usesAccessKey(const QWidget* window, int key)
{
    if (key < Qt::Key_A || key > Qt::Key_Z) {
        if (key < Qt::Key_0 || key > Qt::Key_9)
            return false;
    }
    const QString mnemonic = QStringLiteral("&") + QChar(key);
    auto has = [&](const QWidget* w, const QString& text) {
        return w->isVisibleTo(window) && w->isEnabled() && text.contains(mnemonic, Qt::CaseInsensitive);
    };
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (has(button, button->text()))
            return true;
    }
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() && has(label, label->text()))
            return true;
    }
    for (const QGroupBox* group : window->findChildren<QGroupBox*>()) {
        if (has(group, group->title()))
            return true;
    }
    return false;
}

// Keypad Enter is Return, Shift+Tab arrives as Backtab, and the keypad is no modifier of the table's.
QKeyCombination plainKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    else if (key == Qt::Key_Backtab)
        key = Qt::Key_Tab;
    return QKeyCombination(modifiers, key);
}

}  // namespace

QKeyCombination tableKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const QKeyCombination plain = plainKey(key, modifiers);
    if (plain.keyboardModifiers() & Qt::ShiftModifier)
        return QKeyCombination(plain.keyboardModifiers(), unshifted(plain.key()));
    return plain;
}

QKeyCombination tableKey(const QKeyEvent& event)
{
    return tableKey(Qt::Key(event.key()), event.modifiers());
}

CommandDispatch::CommandDispatch(TApp& app) : QObject(&app), m_app(app)
{
    qApp->installEventFilter(this);
}

CommandDispatch::~CommandDispatch()
{
    qApp->removeEventFilter(this);
}

std::optional<Command> CommandDispatch::commandFor(QKeyCombination key, QWidget* focus) const
{
    if (isModifierKey(key.key()))
        return std::nullopt;
    QWidget* window = focus ? focus->window() : &m_app;
    if (window != &m_app && windowClaims(window, key))
        return std::nullopt;

    const auto popups = popupMenuLayouts();
    if (window == &m_app && focus == &m_app.editor()) {
        if (const auto found = findInMenu(popups[1], key))
            return found;
    }
    if (window == &m_app && focus && focus->objectName() == QLatin1String("ComboBox1")) {
        if (const auto found = findInMenu(popups[3], key))
            return found;
    }
    if (m_app.menuAttached()) {
        for (const MenuLayout& menu : mainMenuLayout()) {
            if (const auto found = findInMenu(menu, key))
                return found;
        }
    }
    for (const CommandRow& row : commandTable()) {
        if (shortcutOf(row.command) == key)
            return row.command;
    }
    return std::nullopt;
}

std::optional<Command> CommandDispatch::commandFor(const QKeyEvent& event, QWidget* focus) const
{
    if (event.nativeScanCode() == 0)
        return commandFor(tableKey(event), focus);
    const QList<QKeyCombination> keys = possibleKeyCombinations(event);
    const QKeyCombination pressed = plainKey(keys.first().key(), keys.first().keyboardModifiers());
    QWidget* window = focus ? focus->window() : &m_app;
    if (window != &m_app && windowClaims(window, pressed))
        return std::nullopt;
    for (const QKeyCombination key : keys) {
        if (const auto command = commandFor(plainKey(key.key(), key.keyboardModifiers()), focus))
            return command;
    }
    return std::nullopt;
}

bool CommandDispatch::isOurWindow(const QWidget* window) const
{
    for (const QWidget* w = window; w; w = w->parentWidget()) {
        if (w == &m_app)
            return true;
    }
    return window && window->property("quillpressWindow").toBool();
}

// A dialog keeps the keys it uses itself: moving between and pressing its
// controls, closing, and the shortcuts of its own actions.
bool CommandDispatch::windowClaims(const QWidget* window, QKeyCombination key) const
{
    switch (key.key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Tab:
    case Qt::Key_Space:
        if (!(key.keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return true;
        break;
    default:
        break;
    }
    if (key.keyboardModifiers() == Qt::AltModifier && usesAccessKey(window, key.key()))
        return true;
    const QKeySequence sequence(key);
    for (const QAction* action : window->findChildren<QAction*>()) {
        if (action->shortcuts().contains(sequence))
            return true;
    }
    for (const QShortcut* shortcut : window->findChildren<QShortcut*>()) {
        if (shortcut->isEnabled() && shortcut->keys().contains(sequence))
            return true;
    }
    return false;
}

bool CommandDispatch::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    QWidget* window = widget->window();
    // An open menu handles its own keys, and windows not ours are none of our business.
    if (qobject_cast<QMenu*>(window) || !isOurWindow(window))
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    // Esc in the menu bar leaves the menus; it never reaches the commands on Esc.
    if (qobject_cast<QMenuBar*>(widget) && keyEvent->key() == Qt::Key_Escape)
        return false;
    const auto command = commandFor(*keyEvent, widget);
    if (!command)
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Ask for the key as a plain press, so that neither the control nor
        // Qt's own shortcut map takes it first.
        event->accept();
        return true;
    }
    // The editor still reports the key going down, as it would for a key it keeps.
    if (widget == &m_app.editor())
        Q_EMIT m_app.editor().keyDown(keyEvent->key(), keyEvent->modifiers());
    m_app.runCommand(*command);
    return true;
}

}  // namespace qp
