#include "editing/AutoWordList.h"

#include "editing/EditCommands.h"
#include "editor/PlainText.h"
#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "store/Registry.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace qp {

namespace {

const QString Miscellaneous = QStringLiteral("Miscellaneous");
const QString SortOrderValue = QStringLiteral("AutoWords_SortOrder");
constexpr int ListWidth = 185;
constexpr int PeriodEntrySkip = 5;
constexpr int PeriodEntryMaximum = 1000;

}  // namespace

QStringList autoWordEntries(const QByteArray& bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArray kept = zero < 0 ? bytes : bytes.left(zero);
    if (kept.isEmpty())
        return {};
    QString text = decodePlainText(kept).text;
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

QString autoWordText(const QString& entry)
{
    if (entry.startsWith(QLatin1Char('.')))
        return entry.mid(PeriodEntrySkip, PeriodEntryMaximum);
    return entry;
}

AutoWordList::AutoWordList(AutoWordsHost& host, QWidget* parent) : QComboBox(parent), m_host(host)
{
    setObjectName(QStringLiteral("ComboBox1"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Completion follows the typed text by hand, in the list's own order.
    setCompleter(nullptr);
    setFixedWidth(ListWidth);
    setFocusPolicy(Qt::StrongFocus);
    hide();
    lineEdit()->installEventFilter(this);
    view()->installEventFilter(this);
    // A right click shows the list's own menu (Alphabetic Sort), which the
    // main window opens; the field's Cut/Copy/Paste menu is not the list's.
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    setContextMenuPolicy(Qt::CustomContextMenu);
    view()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view(), &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { Q_EMIT customContextMenuRequested(mapFromGlobal(view()->viewport()->mapToGlobal(at))); });
    connect(lineEdit(), &QLineEdit::textEdited, this, &AutoWordList::completeTyped);
    // A choice in the open drop-down part: a click, or Enter there.
    // An entry clicked is chosen whatever was typed; Enter after typed text
    // that begins no entry chooses nothing, though the drop-down reports it too.
    view()->viewport()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this] {
        if (m_entryClicked)
            m_nothingSelected = false;
        m_entryClicked = false;
        choose();
    });
}

void AutoWordList::setEntries(QStringList entries, bool alphabetic)
{
    if (alphabetic) {
        std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
    }
    clear();
    addItems(entries);
    setCurrentIndex(entries.isEmpty() ? -1 : 0);
    m_nothingSelected = false;
}

QStringList AutoWordList::entries() const
{
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << itemText(i);
    return texts;
}

void AutoWordList::showAt(QPoint position)
{
    move(position);
    // The entry chosen last time is the one selected; the field shows it whole.
    setEditText(currentIndex() >= 0 ? itemText(currentIndex()) : QString());
    // Typing replaces the shown entry and looks for another.
    lineEdit()->selectAll();
    m_replaceOnType = true;
    m_nothingSelected = false;
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    showPopup();
}

void AutoWordList::dismiss()
{
    hidePopup();
    hide();
    m_host.focusEditor();
}

void AutoWordList::choose()
{
    // One choice per opening: the drop-down reports the Enter that chose too.
    if (!isVisible())
        return;
    const int index = currentIndex();
    const bool nothing = m_nothingSelected || index < 0;
    dismiss();
    if (!nothing)
        insertText(m_host.editor(), autoWordText(itemText(index)));
}

void AutoWordList::completeTyped(const QString& typed)
{
    const QStringList all = entries();
    const auto found = std::find_if(all.begin(), all.end(),
                                    [&](const QString& entry) { return entry.startsWith(typed, Qt::CaseInsensitive); });
    m_nothingSelected = typed.isEmpty() || found == all.end();
    if (m_nothingSelected)
        return;
    const int index = int(found - all.begin());
    setCurrentIndex(index);
    view()->setCurrentIndex(model()->index(index, modelColumn()));
    // The field keeps what was typed and offers the rest of the entry, selected.
    setEditText(typed + found->mid(typed.size()));
    lineEdit()->setSelection(int(typed.size()), int(found->size() - typed.size()));
}

void AutoWordList::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_host.guarded([this] { choose(); });
        return;
    case Qt::Key_Escape:
        dismiss();
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}

void AutoWordList::keyReleaseEvent(QKeyEvent* event)
{
    // The press went to the main window's commands; the release hides the list.
    if (event->key() == Qt::Key_Escape && isVisible()) {
        dismiss();
        return;
    }
    QComboBox::keyReleaseEvent(event);
}

bool AutoWordList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view()->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease))
        m_entryClicked = true;
    if (watched == view() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Esc in the open drop-down part hides the whole list, not just the drop-down.
        if (key->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
        // Enter takes the entry the drop-down shows, or nothing when the typed
        // text begins no entry; the view would hand on whatever it last held.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!m_nothingSelected && view()->currentIndex().isValid())
                setCurrentIndex(view()->currentIndex().row());
            m_host.guarded([this] { choose(); });
            return true;
        }
        // Moving in the drop-down picks an entry again.
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            m_nothingSelected = false;
            break;
        default:
            break;
        }
        // Typing goes to the field while the drop-down stays open, as in a
        // drop-down list with an edit field; the arrows stay with the list.
        const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                             (!key->text().isEmpty() && key->text().at(0).isPrint());
        if (editing && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            // The first key typed replaces the entry the field shows.
            if (m_replaceOnType)
                lineEdit()->selectAll();
            m_replaceOnType = false;
            QCoreApplication::sendEvent(lineEdit(), event);
            return true;
        }
    }
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                keyPressEvent(static_cast<QKeyEvent*>(event));
                return true;
            }
            break;
        }
        case QEvent::KeyRelease:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                keyReleaseEvent(static_cast<QKeyEvent*>(event));
                return true;
            }
            break;
        case QEvent::MouseButtonDblClick:
            m_host.guarded([this] { choose(); });
            return true;
        default:
            break;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void loadAutoWords(AutoWordsHost& host, AutoWordList& list)
{
    const QString path = host.autoWordFile();
    if (path.isEmpty())
        return;
    host.enableAutoWord();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    list.setEntries(autoWordEntries(file.readAll()), host.alphabetic());
}

void restoreAutoWords(AutoWordsHost& host, AutoWordList& list)
{
    const auto key = RegKey::openSettingsRead(host.registry(), Miscellaneous);
    if (!key)
        return;
    host.setAlphabetic(key->readInteger(SortOrderValue, 0) == 1);
    loadAutoWords(host, list);
}

void applyAutoWordSort(AutoWordsHost& host, AutoWordList& list, bool alphabetic)
{
    if (!host.autoWordFile().isEmpty()) {
        host.setAlphabetic(alphabetic);
        loadAutoWords(host, list);
    }
    RegKey::openSettingsWrite(host.registry(), Miscellaneous).writeInteger(SortOrderValue, host.alphabetic() ? 1 : 0);
}

void toggleAutoWordSort(AutoWordsHost& host, AutoWordList& list)
{
    applyAutoWordSort(host, list, !host.alphabetic());
}

void showAutoWordList(AutoWordsHost& host, AutoWordList& list)
{
    RichEdit& editor = host.editor();
    const QPoint caret = editor.viewport()->mapTo(list.parentWidget(), editor.cursorRect().topLeft());
    list.showAt(caret);
}

}  // namespace qp
