#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

namespace qp {

// A .desktop file as freedesktop.org desktops read it: the keys
// of its [Desktop Entry] group, string escapes decoded, Name in the user's
// language.
struct DesktopEntry {
    QString path;
    QString name;
    QString icon;
    QString exec;  // escapes decoded, still quoted as the entry quotes it
    QString tryExec;
    QString workingFolder;  // Path=
    bool terminal = false;
    bool hidden = false;
    bool noDisplay = false;

    // nullopt when the file cannot be read or has no [Desktop Entry] group.
    static std::optional<DesktopEntry> read(const QString& path, const QLocale& locale = QLocale());

    // Hidden=, NoDisplay= and a TryExec= that names no program keep an entry out of menus.
    bool showsInMenus() const;

    // Exec split into arguments with the field codes filled: the files for
    // %f %F %u %U (a URL for the last two), "--icon" and Icon for %i, Name
    // for %c, the entry's own path for %k; deprecated codes vanish. Empty when
    // Exec is missing or its quoting is broken.
    QStringList command(const QStringList& files) const;
};

// Exec split as the entry format quotes it; nullopt when a quote is left open.
std::optional<QStringList> splitExec(const QString& exec);

// One argument as an Exec line holds it: quoted only when it contains a
// character the format reserves, a percent sign doubled, and the string
// escapes applied. The result goes into the file as it stands.
QString execArgument(const QString& argument);

}  // namespace qp
