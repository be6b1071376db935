#include "print/Window_PrintOptions.h"

#include "store/Registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qp {

namespace {

const QString Subkey = QStringLiteral("PrintOptions");
const QString LeftValue = QStringLiteral("Default_LeftMargin");
const QString RightValue = QStringLiteral("Default_RightMargin");
const QString TopValue = QStringLiteral("Default_TopMargin");
const QString BottomValue = QStringLiteral("Default_BottomMargin");
const QString HeaderValue = QStringLiteral("Default_Header");
// "1,00 inch" in every box until options are stored.
constexpr int InitialIndex = 2;

QComboBox* marginBox(const char* name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    for (const MarginChoice& choice : MarginChoices)
        box->addItem(QLatin1String(choice.text));
    box->setMaxVisibleItems(MarginChoiceCount);
    box->setCurrentIndex(InitialIndex);
    return box;
}

void convert(const QComboBox& box, int& margin)
{
    if (box.currentIndex() < 0)
        return;
    const int hundredths = marginHundredths(box.currentText());
    if (hundredths >= 0)
        margin = hundredths;
}

void selectIndex(QComboBox& box, int index)
{
    box.setCurrentIndex(index >= 0 && index < MarginChoiceCount ? index : -1);
}

}  // namespace

TForm_PrintOptions::TForm_PrintOptions(std::unique_ptr<PrintHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_PrintOptions"));
    setWindowTitle(QStringLiteral("Print Options"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto* margins = new QGroupBox(QStringLiteral(" Margins "), this);
    ComboBox1 = marginBox("ComboBox1", margins);
    ComboBox2 = marginBox("ComboBox2", margins);
    ComboBox3 = marginBox("ComboBox3", margins);
    ComboBox4 = marginBox("ComboBox4", margins);
    auto* grid = new QGridLayout(margins);
    const auto addBox = [&](const char* caption, QComboBox* box, int row, int column) {
        auto* label = new QLabel(QLatin1String(caption), margins);
        label->setBuddy(box);
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1);
    };
    addBox("Left:", ComboBox1, 0, 0);
    addBox("Right:", ComboBox2, 0, 2);
    addBox("Top:", ComboBox3, 1, 0);
    addBox("Bottom:", ComboBox4, 1, 2);
    grid->setColumnMinimumWidth(2, 60);

    auto* header = new QGroupBox(QStringLiteral(" Header "), this);
    CheckBox1 = new QCheckBox(QStringLiteral("&Print Filename, Date/Time and Pagenumber"), header);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    auto* headerRow = new QHBoxLayout(header);
    headerRow->addWidget(CheckBox1);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("C&ancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* main = new QVBoxLayout(this);
    main->addWidget(margins);
    main->addWidget(header);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, ComboBox3);
    setTabOrder(ComboBox3, ComboBox4);
    setTabOrder(ComboBox4, CheckBox1);
    setTabOrder(CheckBox1, Button1);
    setTabOrder(Button1, Button2);

    // Ctrl+Shift+P opens the dialog from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), this);
    connect(close, &QShortcut::activated, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TForm_PrintOptions::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TForm_PrintOptions::~TForm_PrintOptions() = default;

void TForm_PrintOptions::showDialog()
{
    if (!isVisible()) {
        show();
        const QRect screen = m_host->screenGeometry();
        move(screen.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    raise();
    activateWindow();
}

void TForm_PrintOptions::loadStored()
{
    const std::optional<RegKey> key = RegKey::openSettingsRead(m_host->registry(), Subkey);
    if (!key)
        return;
    // A missing margin reads as out of range: its box shows no choice and the margin stays.
    selectIndex(*ComboBox1, key->readInteger(LeftValue, -1));
    selectIndex(*ComboBox2, key->readInteger(RightValue, -1));
    selectIndex(*ComboBox3, key->readInteger(TopValue, -1));
    selectIndex(*ComboBox4, key->readInteger(BottomValue, -1));
    CheckBox1->setChecked(key->readInteger(HeaderValue, -1) == 1);
}

void TForm_PrintOptions::convertMargins()
{
    convert(*ComboBox1, m_margins.left);
    convert(*ComboBox2, m_margins.right);
    convert(*ComboBox3, m_margins.top);
    convert(*ComboBox4, m_margins.bottom);
}

bool TForm_PrintOptions::header() const
{
    return CheckBox1->isChecked();
}

void TForm_PrintOptions::accept()
{
    m_host->guarded([this] {
        convertMargins();
        store();
        QDialog::accept();
    });
}

void TForm_PrintOptions::store()
{
    RegKey key = RegKey::openSettingsWrite(m_host->registry(), Subkey);
    key.writeInteger(LeftValue, ComboBox1->currentIndex());
    key.writeInteger(RightValue, ComboBox2->currentIndex());
    key.writeInteger(TopValue, ComboBox3->currentIndex());
    key.writeInteger(BottomValue, ComboBox4->currentIndex());
    key.writeInteger(HeaderValue, CheckBox1->isChecked() ? 1 : 0);
}

void TForm_PrintOptions::setInstallChoices()
{
    constexpr int OneInch = 2;
    for (QComboBox* box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4})
        box->setCurrentIndex(OneInch);
    CheckBox1->setChecked(true);
    convertMargins();
}

void TForm_PrintOptions::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_host->guarded([this] { loadStored(); });
    Button1->setFocus();
}

}  // namespace qp
