#include "editing/Window_FindAndReplace.h"

#include "editing/Tools_Search.h"
#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "store/DialogPosition.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <limits>

namespace qp {

namespace {

const QString kSubkey = QStringLiteral("FindAndReplace");

// The busy pointer for as long as it lives, the previous one back after it.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

TForm_FindAndReplace::TForm_FindAndReplace(std::unique_ptr<SearchHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_FindAndReplace"));
    setWindowTitle(QStringLiteral("Find and Replace"));
    // A transient window of the main window: it stays above it and never blocks it.
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
}

TForm_FindAndReplace::~TForm_FindAndReplace() = default;

void TForm_FindAndReplace::buildControls()
{
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    for (QLineEdit* field : {Edit1, Edit2}) {
        // A selection that Find Selection puts here is never cut short.
        field->setMaxLength(std::numeric_limits<int>::max());
        field->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
        field->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(field, &QWidget::customContextMenuRequested, this,
                [this, field](const QPoint& position) { showFieldMenu(field, position); });
    }
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2->setObjectName(QStringLiteral("Edit2"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Find:"), this), 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Replace with:"), this), 1, 0);
    fields->addWidget(Edit2, 1, 1);

    auto* options = new QGroupBox(QStringLiteral(" Options "), this);
    CheckBox1 = new QCheckBox(QStringLiteral("&Match Case"), options);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("W&hole Word"), options);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    auto* optionRow = new QHBoxLayout(options);
    optionRow->addWidget(CheckBox1);
    optionRow->addWidget(CheckBox2);
    optionRow->addStretch();

    Button1 = new QPushButton(QStringLiteral("&Find First"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Find &Next"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setDefault(true);
    Button3 = new QPushButton(QStringLiteral("&Replace"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button4 = new QPushButton(QStringLiteral("Replace &All"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {Button1, Button2, Button3, Button4})
        buttons->addWidget(button);

    auto* main = new QVBoxLayout(this);
    main->addLayout(fields);
    main->addWidget(options);
    main->addLayout(buttons);
    // A fixed dialog border, never smaller than its contents.
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button1);
    setTabOrder(Button1, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);

    connect(Button1, &QPushButton::clicked, this, [this] { runGuarded(&TForm_FindAndReplace::findFirst); });
    connect(Button2, &QPushButton::clicked, this, [this] { runGuarded(&TForm_FindAndReplace::findNext); });
    connect(Button3, &QPushButton::clicked, this, [this] { runGuarded(&TForm_FindAndReplace::replace); });
    connect(Button4, &QPushButton::clicked, this, [this] { runGuarded(&TForm_FindAndReplace::replaceAll); });

    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{Button1, Button2, Button3, Button4, CheckBox1, CheckBox2})
        claimMnemonic(button);
    // Ctrl+F opens the window from the main window and closes it from here.
    auto* closeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

// The main window's commands take every key a window of the program does not
// claim as its own, and Alt+R is one of theirs; an access key held as a
// shortcut of this window stays this window's.
void TForm_FindAndReplace::claimMnemonic(QAbstractButton* button)
{
    const QKeySequence key = QKeySequence::mnemonic(button->text());
    if (key.isEmpty())
        return;
    button->setShortcut(QKeySequence());
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, button, [button] { button->click(); });
}

void TForm_FindAndReplace::runGuarded(void (TForm_FindAndReplace::*command)())
{
    m_host->guarded([this, command] { (this->*command)(); });
}

QString TForm_FindAndReplace::searchText() const
{
    return convertSearchCodes(Edit1->text());
}

QString TForm_FindAndReplace::replacementText() const
{
    return convertSearchCodes(Edit2->text());
}

FindOptions TForm_FindAndReplace::findOptions() const
{
    FindOptions options;
    options.setFlag(FindOption::MatchCase, CheckBox1->isChecked());
    options.setFlag(FindOption::WholeWord, CheckBox2->isChecked());
    return options;
}

// ---------------------------------------------------------------- commands

void TForm_FindAndReplace::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_FindAndReplace::searchFromSelection()
{
    if (Edit1->text().isEmpty()) {
        m_host->messages().information(QStringLiteral("No text to search for."));
        if (isVisible())
            Edit1->setFocus();
        cancel();
    }
    qp::searchFromSelection(m_host->editor(), m_host->messages(), searchText(), findOptions());
    m_host->enableFindNext();
}

void TForm_FindAndReplace::recordLastSearchText()
{
    m_host->lastSearchText() = Edit1->text();
}

void TForm_FindAndReplace::findFirst()
{
    m_host->editor().setSelection(0, 0);
    searchFromSelection();
    recordLastSearchText();
    Button2->setFocus();
}

void TForm_FindAndReplace::findNext()
{
    searchFromSelection();
    recordLastSearchText();
}

void TForm_FindAndReplace::replace()
{
    RichEdit& editor = m_host->editor();
    // Whatever is selected is replaced; it need not be a match.
    if (editor.selLength() > 0)
        editor.replaceSelection(replacementText());
    searchFromSelection();
    recordLastSearchText();
    Button2->setFocus();
}

void TForm_FindAndReplace::replaceAll()
{
    if (m_host->statusBarVisible())
        m_host->showMessage(QStringLiteral("Replacing..."));
    int count = 0;
    {
        BusyPointer busy;
        count = qp::replaceAll(m_host->editor(), searchText(), replacementText(), findOptions());
    }
    m_host->setMessageText(QStringLiteral("Ready"));
    m_host->messages().information(QString::number(count) + QStringLiteral(" replacements maked."));
    activateWindow();
    if (m_host->statusBarSwitchedOn()) {
        // The statistics were left alone while the message bar stood in for the status bar.
        m_host->refreshAllPanels();
        m_host->endMessage();
    }
    recordLastSearchText();
}

void TForm_FindAndReplace::findSelection()
{
    Edit1->setText(m_host->editor().selText());
    findNext();
    recordLastSearchText();
    m_host->enableFindNext();
}

// ---------------------------------------------------------------- field menus

void TForm_FindAndReplace::showFieldMenu(QLineEdit* field, const QPoint& position)
{
    auto* menu = new QMenu(field);
    menu->setObjectName(QStringLiteral("FieldMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [menu](const QString& caption, bool enabled) {
        QAction* action = menu->addAction(caption);
        action->setEnabled(enabled);
        return action;
    };
    const bool selection = field->hasSelectedText();
    const bool clipboardText = !QApplication::clipboard()->text().isEmpty();
    connect(add(QStringLiteral("&Undo"), field->isUndoAvailable()), &QAction::triggered, field, &QLineEdit::undo);
    menu->addSeparator();
    connect(add(QStringLiteral("Cu&t"), selection), &QAction::triggered, field, &QLineEdit::cut);
    connect(add(QStringLiteral("&Copy"), selection), &QAction::triggered, field, &QLineEdit::copy);
    connect(add(QStringLiteral("&Paste"), clipboardText), &QAction::triggered, field, &QLineEdit::paste);
    menu->addSeparator();
    connect(add(QStringLiteral("Select &All"), !field->text().isEmpty()), &QAction::triggered, field,
            &QLineEdit::selectAll);
    menu->addSeparator();
    connect(add(QStringLiteral("Insert &Paragraph Character"), true), &QAction::triggered, this,
            [this] { insertCode(QStringLiteral("^p")); });
    connect(add(QStringLiteral("Insert &Tab Character"), true), &QAction::triggered, this,
            [this] { insertCode(QStringLiteral("^t")); });
    menu->popup(field->mapToGlobal(position));
}

void TForm_FindAndReplace::insertCode(const QString& code)
{
    QLineEdit* field = focusWidget() == Edit1 ? Edit1 : Edit2;
    field->insert(code);
}

// ---------------------------------------------------------------- showing and position

void TForm_FindAndReplace::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_host->guarded([this] {
        restoreDialogPosition(m_host->registry(), *this, kSubkey, m_host->rememberDialogPosition(),
                              m_host->mainWindowFrame());
    });
    const RichEdit& editor = m_host->editor();
    Edit1->setText(editor.selLength() > 0 ? editor.selText() : m_host->lastSearchText());
    Edit1->selectAll();
    Edit1->setFocus();
}

void TForm_FindAndReplace::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        savePosition();
}

void TForm_FindAndReplace::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        savePosition();
}

void TForm_FindAndReplace::savePosition()
{
    m_host->guarded([this] { saveDialogPosition(m_host->registry(), *this, kSubkey); });
}

}  // namespace qp
