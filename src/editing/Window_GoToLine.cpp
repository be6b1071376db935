#include "editing/Window_GoToLine.h"

#include "editing/EditingDialogHost.h"
#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "store/DialogPosition.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qp {

namespace {

const QString Subkey = QStringLiteral("GoToLine");
const QString MarkPrefix = QStringLiteral("Mark: ");
// The line gone to stands this many lines below the top of the view.
constexpr int LinesAboveTarget = 10;

}  // namespace

int lineNumberFromField(const QString& field)
{
    // The number keeps the space after the colon, as the mark was written.
    const QString number = field.startsWith(MarkPrefix) ? field.mid(MarkPrefix.size() - 1, 10) : field;
    return integerFromText(number);
}

void goToLine(RichEdit& editor, int number)
{
    // A number past either end goes to the nearest line there is.
    const int line = std::clamp(number, 1, std::max(1, editor.lineCount())) - 1;
    editor.scrollLines(line - editor.firstVisibleLine() - LinesAboveTarget);
    const int start = editor.lineIndex(line);
    int end = editor.lineIndex(line + 1);
    if (end < 0)
        end = editor.textLength();
    editor.setSelection(start, end - start);
}

TForm_GoToLine::TForm_GoToLine(std::unique_ptr<EditingDialogHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_GoToLine"));
    setWindowTitle(QStringLiteral("Go To Line"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    m_position = keepDialogPosition(
        *this, m_host->registry(), Subkey, [this] { return m_host->rememberDialogPosition(); },
        [this] { return m_host->mainWindowFrame(); },
        [this](const std::function<void()>& work) { return m_host->guarded(work); });
}

TForm_GoToLine::~TForm_GoToLine() = default;

void TForm_GoToLine::buildControls()
{
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    // The history is kept in order by hand; the field never adds on its own.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // A number is what is typed: no entry of the history that begins with it
    // (150 for 15, "Mark: 12" for "mark: 12") may stand in its place.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setMaxVisibleItems(12);
    ComboBox1->setMinimumContentsLength(18);
    ComboBox1->lineEdit()->installEventFilter(this);

    auto* options = new QGroupBox(QStringLiteral(" Options "), this);
    CheckBox1 = new QCheckBox(QStringLiteral("&Don't Close Dialog"), options);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    auto* optionRow = new QHBoxLayout(options);
    optionRow->addWidget(CheckBox1);

    Button1 = new QPushButton(QStringLiteral("&Go "), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Mark Line"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* main = new QVBoxLayout(this);
    main->addWidget(ComboBox1);
    main->addWidget(options);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Ctrl+G opens the dialog from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(close, &QShortcut::activated, this, &QDialog::hide);
    connect(Button1, &QPushButton::clicked, this, [this] { m_host->guarded([this] { go(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { m_host->guarded([this] { markLine(); }); });
}

QStringList TForm_GoToLine::history() const
{
    QStringList entries;
    for (int i = 0; i < ComboBox1->count(); ++i)
        entries << ComboBox1->itemText(i);
    return entries;
}

void TForm_GoToLine::addToHistory(const QString& text)
{
    if (text.isEmpty() || ComboBox1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    // Sorted as text: "Mark: " entries after the numbers, 10 before 9.
    int at = 0;
    while (at < ComboBox1->count() && QString::compare(ComboBox1->itemText(at), text, Qt::CaseInsensitive) <= 0)
        ++at;
    const QString field = ComboBox1->currentText();
    ComboBox1->insertItem(at, text);
    ComboBox1->setEditText(field);
}

void TForm_GoToLine::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_GoToLine::go()
{
    const QString field = ComboBox1->currentText();
    const int number = lineNumberFromField(field);
    goToLine(m_host->editor(), number);
    // Into the history first: placing the entry resets the field's selection.
    addToHistory(field);
    if (CheckBox1->isChecked()) {
        ComboBox1->setFocus();
        ComboBox1->lineEdit()->selectAll();
    } else {
        hide();
        m_host->focusEditor();
    }
}

void TForm_GoToLine::markLine()
{
    RichEdit& editor = m_host->editor();
    const QString mark = MarkPrefix + QString::number(editor.lineFromChar(editor.selStart()) + 1);
    if (ComboBox1->findText(mark, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    addToHistory(mark);
    ComboBox1->setEditText(mark);
}

bool TForm_GoToLine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ComboBox1->lineEdit() && event->type() == QEvent::FocusOut)
        addToHistory(ComboBox1->currentText());
    return QDialog::eventFilter(watched, event);
}

void TForm_GoToLine::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ComboBox1->setFocus();
    ComboBox1->lineEdit()->selectAll();
}

void TForm_GoToLine::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        addToHistory(ComboBox1->currentText());
}

}  // namespace qp
