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
#include <QListView>
#include <QPromise>
#include <QStringListModel>
#include <QtConcurrent/QtConcurrentRun>

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

void sortAutoWordEntries(QStringList& entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
}

namespace {

// The worker of a load: the file's entries, sorted when asked, as the one
// result; none when the file cannot be read or the load was given up.
void readAutoWordEntries(QPromise<QStringList>& promise, const QString& path, bool alphabetic)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || promise.isCanceled())
        return;
    QStringList entries = autoWordEntries(bytes);
    if (promise.isCanceled())
        return;
    if (alphabetic)
        sortAutoWordEntries(entries);
    promise.addResult(std::move(entries));
}

}  // namespace

QString autoWordText(const QString& entry)
{
    if (entry.startsWith(QLatin1Char('.')))
        return entry.mid(PeriodEntrySkip, PeriodEntryMaximum);
    return entry;
}

AutoWordList::AutoWordList(AutoWordsHost& host, QWidget* parent)
    : QComboBox(parent), m_host(host), m_model(new QStringListModel(this))
{
    setObjectName(QStringLiteral("ComboBox1"));
    // A plain string model: a long file's 200,000 entries are one list, not
    // an item object each, both to fill and to free.
    setModel(m_model);
    // One line each: the drop-down need not lay out every entry to size it.
    if (auto* rows = qobject_cast<QListView*>(view()))
        rows->setUniformItemSizes(true);
    connect(&m_loader, &QFutureWatcherBase::finished, this, [this] { takeLoaded(); });
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

AutoWordList::~AutoWordList()
{
    // A load under way is given up; its worker holds nothing of the list.
    cancelLoading();
}

void AutoWordList::setEntries(QStringList entries, bool alphabetic)
{
    cancelLoading();
    if (alphabetic)
        sortAutoWordEntries(entries);
    replaceEntries(std::move(entries));
}

void AutoWordList::replaceEntries(QStringList entries)
{
    const bool empty = entries.isEmpty();
    m_model->setStringList(std::move(entries));
    setCurrentIndex(empty ? -1 : 0);
    m_nothingSelected = false;
}

void AutoWordList::loadEntries(const QString& path, bool alphabetic)
{
    cancelLoading();
    m_loading = true;
    m_loader.setFuture(QtConcurrent::run(readAutoWordEntries, path, alphabetic));
    // The open list (its own Alphabetic Sort) changes at once, not under the
    // user's typing.
    if (isVisible())
        finishLoading();
}

void AutoWordList::finishLoading()
{
    if (!m_loading)
        return;
    m_loader.waitForFinished();
    takeLoaded();
}

void AutoWordList::takeLoaded()
{
    // The finished signal of a load already taken, or given up, comes late.
    if (!m_loading || !m_loader.isFinished())
        return;
    m_loading = false;
    const QFuture<QStringList> future = m_loader.future();
    if (future.isCanceled() || future.resultCount() == 0)
        return;
    QStringList entries = future.result();
    m_loader.setFuture(QFuture<QStringList>());
    replaceEntries(std::move(entries));
}

void AutoWordList::cancelLoading()
{
    if (!m_loading)
        return;
    m_loading = false;
    m_loader.cancel();
    m_loader.setFuture(QFuture<QStringList>());
}

QStringList AutoWordList::entries()
{
    finishLoading();
    return m_model->stringList();
}

void AutoWordList::showAt(QPoint position)
{
    finishLoading();
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
    // Opening is checked here, so that a file that cannot be read is told at
    // once; reading, decoding and sorting go off the GUI thread.
    if (!QFile(path).open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    list.loadEntries(path, host.alphabetic());
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
