#include "editing/Window_InsertCharacter.h"

#include "editing/EditCommands.h"
#include "editing/EditingDialogHost.h"
#include "editor/PlainText.h"
#include "editor/RichEdit.h"
#include "store/DialogPosition.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qp {

namespace {

const QString Subkey = QStringLiteral("InsertCharacter");
constexpr int FirstCode = 32;
constexpr int LastCode = 255;

}  // namespace

QString characterEntry(int code)
{
    // The text is 8-bit Windows-1252: 128 is the euro sign, 149 the bullet.
    return QString::number(code) + QLatin1Char(':') + QString(code < 100 ? 7 : 5, QLatin1Char(' ')) +
           windows1252Char(code);
}

TForm_InsertCharacter::TForm_InsertCharacter(std::unique_ptr<EditingDialogHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_InsertCharacter"));
    setWindowTitle(QStringLiteral("Insert Character"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    m_position = keepDialogPosition(
        *this, m_host->registry(), Subkey, [this] { return m_host->rememberDialogPosition(); },
        [this] { return m_host->mainWindowFrame(); },
        [this](const std::function<void()>& work) { return m_host->guarded(work); });
}

TForm_InsertCharacter::~TForm_InsertCharacter() = default;

void TForm_InsertCharacter::buildControls()
{
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    Button1 = new QPushButton(QStringLiteral("&Insert"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Zoo&m"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* main = new QVBoxLayout(this);
    main->addWidget(ListBox1, 1);
    main->addLayout(buttons);

    // Ctrl+K opens the dialog from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    connect(close, &QShortcut::activated, this, &QDialog::hide);
    connect(Button1, &QPushButton::clicked, this, [this] { m_host->guarded([this] { insertCurrent(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { m_host->guarded([this] { zoom(); }); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this,
            [this] { m_host->guarded([this] { insertCurrent(); }); });

    QFont font = ListBox1->font();
    font.setPointSize(m_pointSize);
    ListBox1->setFont(font);
    // Wide enough for "255:     ÿ" at the larger zoom, tall enough for a good part of the list.
    const QFontMetrics big(QFont(font.family(), 12));
    ListBox1->setMinimumSize(big.horizontalAdvance(QStringLiteral("255:     WW")) + 40, big.height() * 14);
    main->activate();
    setFixedSize(sizeHint());
}

void TForm_InsertCharacter::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_InsertCharacter::insertCurrent()
{
    const QListWidgetItem* entry = ListBox1->currentItem();
    if (!entry)
        return;
    insertText(m_host->editor(), entry->text().right(1));
}

void TForm_InsertCharacter::zoom()
{
    m_pointSize = m_pointSize == 12 ? 8 : 12;
    QFont font = ListBox1->font();
    font.setPointSize(m_pointSize);
    ListBox1->setFont(font);
}

void TForm_InsertCharacter::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ListBox1->clear();
    for (int code = FirstCode; code <= LastCode; ++code)
        ListBox1->addItem(characterEntry(code));
    ListBox1->setCurrentRow(0);
    ListBox1->setFocus();
}

void TForm_InsertCharacter::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        ListBox1->clear();
}

void TForm_InsertCharacter::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible() || !isActiveWindow())
        return;
    // The list shows the characters as they will look in the text at the caret.
    QFont font = ListBox1->font();
    const QString name = m_host->editor().selectionCharFormat().fontName;
    if (!name.isEmpty())
        font.setFamily(name);
    font.setPointSize(m_pointSize);
    ListBox1->setFont(font);
}

}  // namespace qp
