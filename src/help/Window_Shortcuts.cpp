#include "help/Window_Shortcuts.h"

#include "platform/PrintDialogService.h"
#include "platform/TextPrinting.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qp {

TForm_Shortcuts::TForm_Shortcuts(std::unique_ptr<HelpHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_Shortcuts"));
    setWindowTitle(QStringLiteral("Additional Functions"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    const std::span<const ShortcutRow> rows = shortcutRows();
    ListView1 = new QTableWidget(int(rows.size()), 2, this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHorizontalHeaderLabels({QStringLiteral("Function"), QStringLiteral("Shortcut / Keystrokes")});
    ListView1->horizontalHeader()->setSectionsClickable(false);
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->verticalHeader()->hide();
    ListView1->setShowGrid(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setTabKeyNavigation(false);
    ListView1->setWordWrap(false);
    for (int i = 0; i < int(rows.size()); ++i) {
        ListView1->setItem(i, 0, new QTableWidgetItem(QString::fromUtf8(rows[i].function)));
        ListView1->setItem(i, 1, new QTableWidgetItem(QString::fromUtf8(rows[i].keys)));
    }
    ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 4);
    ListView1->resizeColumnsToContents();
    ListView1->horizontalHeader()->setStretchLastSection(true);
    const int width = ListView1->columnWidth(0) + ListView1->columnWidth(1) + 40;
    ListView1->setFixedSize(std::max(width, 420), 22 * ListView1->verticalHeader()->defaultSectionSize());

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Print"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* main = new QVBoxLayout(this);
    main->addWidget(ListView1);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(ListView1, Button1);
    setTabOrder(Button1, Button2);

    // F1 opens the window from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(close, &QShortcut::activated, this, &QDialog::hide);
    connect(Button1, &QPushButton::clicked, this, &QDialog::hide);
    connect(Button2, &QPushButton::clicked, this, [this] { m_host->guarded([this] { print(); }); });
}

TForm_Shortcuts::~TForm_Shortcuts() = default;

void TForm_Shortcuts::showDialog()
{
    if (!isVisible()) {
        show();
        centreOnScreen(*this, m_host->screenGeometry());
        Button1->setFocus();
    }
    raise();
    activateWindow();
}

void TForm_Shortcuts::print()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!m_host->printDialog().useDefaultPrinter(printer))
        return;
    printer.setDocName(QStringLiteral("Quillpress Additional Functions"));
    printTextLines(printer, shortcutPrintout(), QFont(QStringLiteral("courier new"), 9));
}

}  // namespace qp
