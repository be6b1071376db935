#include "files/Tools_FileLists.h"

#include "platform/Errors.h"
#include "store/Registry.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qp {

namespace {

QString valueName(const FileListStore& store, int slot)
{
    return store.valuePrefix + QStringLiteral("%1").arg(slot, 2, 10, QLatin1Char('0'));
}

}  // namespace

FileSlots placeholderSlots()
{
    FileSlots slots;
    slots.fill(QStringLiteral(" "));
    return slots;
}

bool slotUsed(const QString& slot)
{
    return !slot.isEmpty();
}

QString fileNamePart(const QString& path)
{
    // Only "/" separates on Linux: "Chapter 1: Intro.txt" and "a\\b.txt" are names.
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

void addToRecentSlots(FileSlots& slots, const QString& path)
{
    auto found = std::find(slots.begin(), slots.end(), path);
    if (found == slots.end())
        found = slots.end() - 1;
    std::move_backward(slots.begin(), found, found + 1);
    slots.front() = path;
}

void readSlots(Registry& registry, const FileListStore& store, FileSlots& slots)
{
    const auto key = RegKey::openSettingsRead(registry, store.subkey);
    if (!key)
        return;
    for (int i = 0; i < FileListSlotCount; ++i) {
        try {
            slots[i] = key->readString(valueName(store, i + 1));
        } catch (const AppError&) {
            // A value of another type is no path; the slot reads as empty.
            slots[i].clear();
        }
    }
}

void storeSlots(Registry& registry, const FileListStore& store, const FileSlots& slots)
{
    QList<std::pair<QString, QString>> values;
    for (int i = 0; i < FileListSlotCount; ++i)
        values.append({valueName(store, i + 1), slots[i]});
    RegKey::openSettingsWrite(registry, store.subkey).writeStrings(values);
}

FileListControls buildFileListDialog(QDialog& dialog, std::initializer_list<QPushButton*> buttons)
{
    FileListControls controls;
    controls.list = new QListWidget(&dialog);
    controls.list->setObjectName(QStringLiteral("ListBox1"));
    controls.list->setContextMenuPolicy(Qt::CustomContextMenu);
    // A long name keeps its start and its extension in the narrow list.
    controls.list->setTextElideMode(Qt::ElideMiddle);
    controls.list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* options = new QGroupBox(QStringLiteral(" Options "), &dialog);
    controls.dontClose = new QCheckBox(QStringLiteral("&Don't Close Dialog"), options);
    controls.dontClose->setObjectName(QStringLiteral("CheckBox1"));
    (new QHBoxLayout(options))->addWidget(controls.dontClose);

    auto* row = new QHBoxLayout;
    for (QPushButton* button : buttons)
        row->addWidget(button);
    auto* main = new QVBoxLayout(&dialog);
    main->addWidget(controls.list, 1);
    main->addWidget(options);
    main->addLayout(row);
    main->activate();
    dialog.setFixedSize(dialog.sizeHint().expandedTo(QSize(225, 269)));
    return controls;
}

int currentSlotOf(const QListWidget& list)
{
    return std::clamp(list.currentRow() + 1, 1, FileListSlotCount);
}

void connectSlotMenu(QListWidget& list, QMenu& menu, QAction& showFullPath, const FileSlots& slots)
{
    QObject::connect(&list, &QWidget::customContextMenuRequested, &list, [&](const QPoint& at) {
        if (QListWidgetItem* item = list.itemAt(at))
            list.setCurrentItem(item);
        showFullPath.setEnabled(slotUsed(slots[currentSlotOf(list) - 1]));
        menu.popup(list.viewport()->mapToGlobal(at));
    });
    QObject::connect(&menu, &QMenu::aboutToHide, &list, [&showFullPath] { showFullPath.setEnabled(true); });
}

void fillDisplayList(QListWidget& list, const FileSlots& slots)
{
    const int row = list.currentRow();
    list.clear();
    for (const QString& slot : slots) {
        const bool blank = slot.trimmed().isEmpty();
        list.addItem(blank ? slot : fileNamePart(slot));
        if (!blank)
            list.item(list.count() - 1)->setToolTip(slot);
    }
    if (row >= 0)
        list.setCurrentRow(row);
}

}  // namespace qp
