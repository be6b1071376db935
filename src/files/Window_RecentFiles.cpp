#include "files/Window_RecentFiles.h"

#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "store/DialogPosition.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>

namespace qp {

namespace {

const FileListStore Store{QStringLiteral("RecentFiles"), QStringLiteral("Recent")};

}  // namespace

TForm_RecentFiles::TForm_RecentFiles(std::unique_ptr<FilesHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host)), m_slots(placeholderSlots())
{
    setObjectName(QStringLiteral("TForm_RecentFiles"));
    setWindowTitle(QStringLiteral("Recent Files"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    m_position = keepDialogPosition(
        *this, m_host->registry(), Store.subkey, [this] { return m_host->rememberDialogPosition(); },
        [this] { return m_host->mainWindowFrame(); },
        [this](const std::function<void()>& work) { return m_host->guarded(work); });
    m_host->guarded([this] { readSlots(m_host->registry(), Store, m_slots); });
    fillDisplayList(*ListBox1, m_slots);
}

TForm_RecentFiles::~TForm_RecentFiles() = default;

void TForm_RecentFiles::buildControls()
{
    Button1 = new QPushButton(QStringLiteral("Ope&n"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Clear &List"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    const FileListControls controls = buildFileListDialog(*this, {Button1, Button2});
    ListBox1 = controls.list;
    CheckBox1 = controls.dontClose;

    m_showFullPath = new QAction(QStringLiteral("&Show Full Path"), this);
    m_showFullPath->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    m_showFullPath->setShortcutContext(Qt::WindowShortcut);
    addAction(m_showFullPath);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(m_showFullPath);

    // F8 opens the dialog from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::Key_F8), this);
    connect(close, &QShortcut::activated, this, &QDialog::hide);

    connect(Button1, &QPushButton::clicked, this, [this] { run(&TForm_RecentFiles::openSlot); });
    connect(Button2, &QPushButton::clicked, this, [this] { run(&TForm_RecentFiles::clearList); });
    connect(m_showFullPath, &QAction::triggered, this, [this] { run(&TForm_RecentFiles::showFullPath); });
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { updateButtons(); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] {
        if (slotUsed(m_slots[currentSlot() - 1]))
            run(&TForm_RecentFiles::openSlot);
    });
    connectSlotMenu(*ListBox1, *PopupMenu1, *m_showFullPath, m_slots);
}

void TForm_RecentFiles::run(void (TForm_RecentFiles::*command)())
{
    m_host->guarded([this, command] { (this->*command)(); });
}

int TForm_RecentFiles::currentSlot() const
{
    return currentSlotOf(*ListBox1);
}

void TForm_RecentFiles::updateButtons()
{
    const QListWidgetItem* line = ListBox1->item(currentSlot() - 1);
    Button1->setEnabled(line && !line->text().isEmpty());
}

void TForm_RecentFiles::addDocument(const QString& path)
{
    addToRecentSlots(m_slots, path);
    storeSlots(m_host->registry(), Store, m_slots);
    fillDisplayList(*ListBox1, m_slots);
    updateButtons();
}

void TForm_RecentFiles::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_RecentFiles::openSlot()
{
    if (!Button1->isEnabled())
        return;
    m_host->querySave();
    const QString path = m_slots[currentSlot() - 1];
    if (QFileInfo(path).isFile() && !CheckBox1->isChecked())
        hide();
    m_host->loadDocument(path);
}

void TForm_RecentFiles::clearList()
{
    if (m_host->messages().confirm(QStringLiteral("Delete ALL Recent Files?"), Buttons::YesNo) != Answer::Yes)
        return;
    for (QString& slot : m_slots)
        slot.clear();
    fillDisplayList(*ListBox1, m_slots);
    storeSlots(m_host->registry(), Store, m_slots);
    updateButtons();
}

void TForm_RecentFiles::showFullPath()
{
    m_host->messages().information(m_slots[currentSlot() - 1]);
}

void TForm_RecentFiles::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_host->guarded([this] {
        // Another running copy of the program may have changed the list.
        readSlots(m_host->registry(), Store, m_slots);
    });
    fillDisplayList(*ListBox1, m_slots);
    ListBox1->setFocus();
    ListBox1->setCurrentRow(0);
    updateButtons();
}

}  // namespace qp
