#pragma once

#include <QList>
#include <QString>

namespace qp {

class TApp;

// A tool slot: a desktop entry of the program's folder, started on click.
struct ToolSlot {
    QString path;
    QString caption;  // a menu text: an "&" of the name is doubled
    QString icon;     // a theme name or a file, as the entry's Icon= says
};

inline constexpr int ToolSlotCount = 10;

// The first ten "*.desktop" files of the folder (any case of the extension,
// hidden ones included, folders skipped), in name order. Entries the desktop
// keeps out of menus (Hidden=, NoDisplay=, a TryExec= program that is not
// there) and files that are no desktop entry take no slot.
QList<ToolSlot> findToolSlots(const QString& folder);
// The file name up to the first ".desktop", compared without regard to case.
QString toolSlotCaption(const QString& fileName);

// Fills Plugin00 ... Plugin09 once at start-up; empty slots stay hidden.
void fillToolSlots(TApp& app);
// Starts the slot's desktop entry, with no parameters.
void runToolSlot(TApp& app, int slot);
// Action_Other_Run: save, then hand the saved document's absolute name to
// the Run path as one argument.
void runDocument(TApp& app);

}  // namespace qp
