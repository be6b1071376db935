#include "files/Window_MyFiles.h"

#include "platform/Errors.h"
#include "platform/FileDialogService.h"
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

const FileListStore Store{QStringLiteral("MyFiles"), QStringLiteral("My")};

QAction* windowAction(QWidget* window, const QString& text, QKeySequence key)
{
    auto* action = new QAction(text, window);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

}  // namespace

TForm_MyFiles::TForm_MyFiles(std::unique_ptr<FilesHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host)), m_slots(placeholderSlots())
{
    setObjectName(QStringLiteral("TForm_MyFiles"));
    setWindowTitle(QStringLiteral("My Files"));
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

TForm_MyFiles::~TForm_MyFiles() = default;

void TForm_MyFiles::buildControls()
{
    Button1 = new QPushButton(QStringLiteral("Ope&n"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("D&elete"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3 = new QPushButton(QStringLiteral("&Add..."), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    // Only the button state decides which button Enter presses.
    for (QPushButton* button : {Button1, Button2, Button3})
        button->setAutoDefault(false);
    const FileListControls controls = buildFileListDialog(*this, {Button1, Button2, Button3});
    ListBox1 = controls.list;
    CheckBox1 = controls.dontClose;

    m_showFullPath = windowAction(this, QStringLiteral("&Show Full Path"), QKeySequence(Qt::CTRL | Qt::Key_I));
    m_addCurrentFile = windowAction(this, QStringLiteral("&Add Current File"), QKeySequence(Qt::CTRL | Qt::Key_A));
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(m_showFullPath);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(m_addCurrentFile);

    // F7 opens the dialog from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::Key_F7), this);
    connect(close, &QShortcut::activated, this, &QDialog::hide);

    connect(Button1, &QPushButton::clicked, this, [this] { run(&TForm_MyFiles::openSlot); });
    connect(Button2, &QPushButton::clicked, this, [this] { run(&TForm_MyFiles::deleteFile); });
    connect(Button3, &QPushButton::clicked, this, [this] { run(&TForm_MyFiles::addFile); });
    connect(m_showFullPath, &QAction::triggered, this, [this] { run(&TForm_MyFiles::showFullPath); });
    connect(m_addCurrentFile, &QAction::triggered, this, [this] { run(&TForm_MyFiles::addCurrentFile); });
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { updateButtons(); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] {
        if (slotUsed(current()))
            run(&TForm_MyFiles::openSlot);
    });
    connectSlotMenu(*ListBox1, *PopupMenu1, *m_showFullPath, m_slots);
}

void TForm_MyFiles::run(void (TForm_MyFiles::*command)())
{
    m_host->guarded([this, command] { (this->*command)(); });
}

int TForm_MyFiles::currentSlot() const
{
    return currentSlotOf(*ListBox1);
}

void TForm_MyFiles::updateButtons()
{
    const QListWidgetItem* line = ListBox1->item(currentSlot() - 1);
    const bool filled = line && !line->text().isEmpty();
    Button1->setEnabled(filled);
    Button1->setDefault(filled);
    Button2->setEnabled(filled);
    Button3->setDefault(!filled);
}

void TForm_MyFiles::store()
{
    storeSlots(m_host->registry(), Store, m_slots);
    fillDisplayList(*ListBox1, m_slots);
}

void TForm_MyFiles::confirmOverwrite()
{
    if (slotUsed(current()) &&
        m_host->messages().confirm(QStringLiteral("Overwrite selected file?"), Buttons::YesNo) != Answer::Yes)
        cancel();
}

void TForm_MyFiles::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_MyFiles::openSlot()
{
    if (!Button1->isEnabled())
        return;
    m_host->querySave();
    const QString path = current();
    if (QFileInfo(path).isFile() && !CheckBox1->isChecked())
        hide();
    m_host->loadDocument(path);
}

void TForm_MyFiles::addFile()
{
    confirmOverwrite();
    FileDialogRequest request;
    request.title = QStringLiteral("Add File");
    request.filter = m_addFilter;
    request.mustExist = true;
    const FileDialogResult chosen = m_host->fileDialogs().open(request);
    if (!chosen.accepted)
        cancel();
    current() = chosen.fileName;
    store();
    updateButtons();
}

void TForm_MyFiles::addCurrentFile()
{
    confirmOverwrite();
    current() = m_host->documentFileName();
    store();
    updateButtons();
}

void TForm_MyFiles::deleteFile()
{
    if (!slotUsed(current()))
        return;
    if (m_host->messages().confirm(QStringLiteral("Delete selected file?"), Buttons::YesNo) != Answer::Yes)
        return;
    current().clear();
    store();
    updateButtons();
}

void TForm_MyFiles::showFullPath()
{
    m_host->messages().information(current());
}

void TForm_MyFiles::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_host->guarded([this] {
        // Another running copy of the program may have changed the list.
        readSlots(m_host->registry(), Store, m_slots);
        m_addFilter = m_host->openFilter();
    });
    fillDisplayList(*ListBox1, m_slots);
    ListBox1->setCurrentRow(0);
    updateButtons();
    ListBox1->setFocus();
}

}  // namespace qp
