#include "help/HelpCommands.h"

#include "platform/Paths.h"
#include "platform/ShellService.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <QWidget>

namespace qp {

namespace {

// The keys column begins in column 42: functions are padded to 41 characters.
constexpr int FunctionWidth = 41;
const QString Margin = QStringLiteral("    ");

constexpr ShortcutRow Rows[] = {
    {"EDIT", ""},
    {"  Selection uppercase", "Ctrl+]"},
    {"  Selection lowercase", "Ctrl+["},
    {"  Switch characters", "Alt+;"},
    {"  Start numbered list", "Number+Dot+Tab"},
    {"  Start bulleted/dashed list", "Bullet/Dash+Tab"},
    {"  End list", "Shift+Enter"},
    {"  Load selected text to clip", "Ctrl+Shift+1..4"},
    {"  Paste text from clip", "Alt+1..4"},
    {"  Sort Auto Words alphabetically on/off", "Ctrl+F5"},
    {"  Enable/disable smart quotes", "Ctrl+Shift+'"},
    {"  Cut selection", "Shift+Del"},
    {"  Copy selection", "Ctrl+Ins"},
    {"  Paste", "Shift+Ins"},
    {"", ""},
    {"VIEW", ""},
    {"  Increase editor width", "Alt+X"},
    {"  Decrease editor width", "Alt+Z"},
    {"  Move editor to the right", "Alt+W"},
    {"  Move editor to the left", "Alt+Q"},
    {"  Editor max width", "Alt+R"},
    {"  Center editor", "Alt+C"},
    {"  Statusbar top", "Ctrl+Shift+T"},
    {"  Basic statusbar on/off", "F6"},
    {"  Enable/disable vertical scrollbar", "Ctrl+Alt+B"},
    {"  Cancel fullscreen", "Esc"},
    {"  Maximize/Restore", "F12"},
    {"", ""},
    {"FORMAT", ""},
    {"  Single Line Spacing", "Ctrl+1"},
    {"  1.5 Line Spacing", "Ctrl+5"},
    {"  Double Line Spacing", "Ctrl+2"},
    {"  Subscript", "Ctrl+="},
    {"  Superscript", "Ctrl+Shift+="},
    {"  Increase indent", "Ctrl+."},
    {"  Decrease indent", "Ctrl+,"},
    {"", ""},
    {"DIALOGS", ""},
    {"  Close", "Esc or Dialog shortcut"},
    {"  Set focus to editor", "Ctrl+Tab"},
    {"", ""},
    {"SEARCH", ""},
    {"  Search/replace paragraph character", "^p"},
    {"  Search/replace tab character", "^t"},
    {"", ""},
    {"MY FILES AND RECENT FILES", ""},
    {"  Show full path of selected file", "Ctrl+I"},
    {"  Add current file to My Files", "Ctrl+A"},
    {"", ""},
    {"MISCELLANEOUS", ""},
    {"  Activate default popup menu", "Ctrl+Alt+Space"},
    {"  Activate alternative popup menu", "Ctrl+Space"},
};

}  // namespace

std::span<const ShortcutRow> shortcutRows()
{
    return Rows;
}

QStringList shortcutListing()
{
    QStringList lines;
    lines << QStringLiteral("FUNCTION") + QString(33, QLatin1Char(' ')) + QStringLiteral("SHORTCUT/KEYSTROKES");
    lines << QString();
    for (const ShortcutRow& row : Rows) {
        QString line = QString::fromUtf8(row.function);
        if (line.size() <= FunctionWidth - 1)
            line = line.leftJustified(FunctionWidth, QLatin1Char(' '));
        line += QString::fromUtf8(row.keys);
        lines << line;
    }
    return lines;
}

QStringList shortcutPrintout()
{
    QStringList page{QString(), QString(), QString(), Margin + QStringLiteral("QUILLPRESS ADDITIONAL FUNCTIONS"),
                     QString(), QString()};
    for (const QString& line : shortcutListing())
        page << Margin + line;
    return page;
}

QList<std::pair<QString, QString>> detailsRows(const Paths& paths)
{
    const QFileInfo program(paths.programPath);
    const QString programFolder = QDir::cleanPath(program.absolutePath()) + QLatin1Char('/');
    const QString settingsFolder = QDir::cleanPath(paths.settingsFolder) + QLatin1Char('/');
    const QLocale locale;
    QString build;
    if (program.exists()) {
        const QDateTime modified = program.lastModified();
        build = locale.toString(modified.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                locale.toString(modified.time(), QLocale::LongFormat);
    }
    return {{QStringLiteral("Program location:"), programFolder},
            {QStringLiteral("Settings folder:"), settingsFolder},
            {QStringLiteral("Build:"), build},
            {QStringLiteral("System version:"), QSysInfo::prettyProductName()},
            {QStringLiteral("Qt version:"), QString::fromLatin1(qVersion())}};
}

QString documentationFile(const Paths& paths)
{
    return paths.programFile(QStringLiteral("Help.htm"));
}

void centreOnScreen(QWidget& window, const QRect& screen)
{
    const QRect frame = window.frameGeometry();
    window.move(screen.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

}  // namespace qp
