#pragma once

#include <QList>
#include <QString>

namespace qp {

class TApp;

// A tool slot: a desktop entry of the program's folder, started on click.
struct ToolSlot {
    QString path;
    QString caption;
};

inline constexpr int ToolSlotCount = 10;

// The first ten "*.desktop" files of the folder (any case of the extension,
// hidden ones included, folders skipped), in name order.
QList<ToolSlot> findToolSlots(const QString& folder);
// The file name up to the first ".desktop", compared without regard to case.
QString toolSlotCaption(const QString& fileName);

// Fills Plugin00 ... Plugin09 once at start-up; empty slots stay hidden.
void fillToolSlots(TApp& app);
// Starts the slot's desktop entry, with no parameters.
void runToolSlot(TApp& app, int slot);
// Action_Other_Run: save, then hand the saved document to the Run path.
void runDocument(TApp& app);

}  // namespace qp
