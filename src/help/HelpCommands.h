#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <utility>

class QWidget;

namespace qp {

class MessageService;
class PrintDialogService;
class ShellService;
struct Paths;

// What the help windows need of the main window.
class HelpHost {
public:
    virtual ~HelpHost() = default;
    virtual MessageService& messages() = 0;
    virtual ShellService& shell() = 0;
    virtual PrintDialogService& printDialog() = 0;
    virtual const Paths& paths() = 0;
    // The one guard of entries from the event loop.
    virtual bool guarded(const std::function<void()>& work) = 0;
    virtual QRect screenGeometry() = 0;
    virtual QString version() = 0;
};

// One row of the Additional Functions list; headings have no keys.
struct ShortcutRow {
    const char* function;
    const char* keys;
};

std::span<const ShortcutRow> shortcutRows();

// The printed form of the list: a heading line, an empty line, then each
// row with its keys from column 42.
QStringList shortcutListing();
// The whole page text: three empty lines, the title, two empty lines and the
// listing, each line behind a margin of four blanks.
QStringList shortcutPrintout();

// The Details box of About, label and value: where the program and its
// settings live, its build time and the system and toolkit versions.
QList<std::pair<QString, QString>> detailsRows(const Paths& paths);

// The Help.htm that Action_Help_Documentation shows: the program folder's,
// else the shipped one; empty when there is none.
QString documentationFile(const Paths& paths);

// Centres a window's frame on the screen.
void centreOnScreen(QWidget& window, const QRect& screen);

}  // namespace qp
