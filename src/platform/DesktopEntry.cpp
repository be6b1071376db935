#include "platform/DesktopEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <map>

namespace qp {

namespace {

// The string escapes of the entry format; any other backslash stays for the
// Exec quoting to read.
QString decodeString(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'); out += next; break;
        }
    }
    return out;
}

bool isTrue(const QString& value) { return value.trimmed() == QLatin1String("true"); }

// The localised forms of a key a desktop tries, best first:
// lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang.
QStringList localeSuffixes(const QLocale& locale)
{
    QString name = locale.name();  // "de_DE"; a modifier is not part of Qt's name
    const QString language = name.section(QLatin1Char('_'), 0, 0);
    QStringList suffixes;
    if (name.contains(QLatin1Char('_')))
        suffixes << name;
    if (!language.isEmpty() && language != QLatin1String("C"))
        suffixes << language;
    return suffixes;
}

QString fileUrl(const QString& file)
{
    return QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

bool programFound(const QString& program)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

}  // namespace

std::optional<DesktopEntry> DesktopEntry::read(const QString& path, const QLocale& locale)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::map<QString, QString> keys;
    bool inEntry = false;
    bool sawEntry = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            sawEntry = sawEntry || inEntry;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals <= 0)
            continue;
        // The first occurrence of a key counts.
        keys.try_emplace(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    if (!sawEntry)
        return std::nullopt;

    const auto value = [&keys](const QString& key) {
        const auto found = keys.find(key);
        return found == keys.end() ? QString() : decodeString(found->second);
    };
    const auto localised = [&](const QString& key) {
        for (const QString& suffix : localeSuffixes(locale)) {
            const auto found = keys.find(key + QLatin1Char('[') + suffix + QLatin1Char(']'));
            if (found != keys.end())
                return decodeString(found->second);
        }
        return value(key);
    };

    DesktopEntry entry;
    entry.path = path;
    entry.name = localised(QStringLiteral("Name"));
    entry.icon = localised(QStringLiteral("Icon"));
    entry.exec = value(QStringLiteral("Exec"));
    entry.tryExec = value(QStringLiteral("TryExec"));
    entry.workingFolder = value(QStringLiteral("Path"));
    entry.terminal = isTrue(value(QStringLiteral("Terminal")));
    entry.hidden = isTrue(value(QStringLiteral("Hidden")));
    entry.noDisplay = isTrue(value(QStringLiteral("NoDisplay")));
    return entry;
}

bool DesktopEntry::showsInMenus() const
{
    return !hidden && !noDisplay && (tryExec.isEmpty() || programFound(tryExec));
}

QStringList DesktopEntry::command(const QStringList& files) const
{
    const std::optional<QStringList> arguments = splitExec(exec);
    if (!arguments || arguments->isEmpty())
        return {};
    QStringList urls;
    for (const QString& file : files)
        urls << fileUrl(file);

    QStringList command;
    for (const QString& argument : *arguments) {
        // The list codes stand alone and may become several arguments, or none.
        if (argument == QLatin1String("%F")) {
            command << files;
            continue;
        }
        if (argument == QLatin1String("%U")) {
            command << urls;
            continue;
        }
        if (argument == QLatin1String("%i")) {
            if (!icon.isEmpty())
                command << QStringLiteral("--icon") << icon;
            continue;
        }
        QString out;
        bool hadCode = false;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
                out += argument[i];
                continue;
            }
            const QChar code = argument[++i];
            if (code == QLatin1Char('%')) {
                out += QLatin1Char('%');
                continue;
            }
            hadCode = true;
            switch (code.unicode()) {
            case 'f': case 'F': out += files.value(0); break;
            case 'u': case 'U': out += urls.value(0); break;
            case 'c': out += name; break;
            case 'k': out += path; break;
            default: break;  // deprecated or unknown codes expand to nothing
            }
        }
        if (!out.isEmpty() || !hadCode)
            command << out;
    }
    if (command.isEmpty() || command.first().isEmpty())
        return {};
    return command;
}

std::optional<QStringList> splitExec(const QString& exec)
{
    QStringList arguments;
    QString current;
    bool started = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()
                       && QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (started)
                arguments << current;
            current.clear();
            started = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            started = true;
        } else {
            current += c;
            started = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (started)
        arguments << current;
    return arguments;
}

QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const bool quote = text.isEmpty() || std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return reserved.contains(c);
    });
    if (quote) {
        QString inner;
        for (const QChar c : text) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                inner += QLatin1Char('\\');
            inner += c;
        }
        text = QLatin1Char('"') + inner + QLatin1Char('"');
    }
    // The string escapes come on top: the file is read with them first.
    QString escaped;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': escaped += QStringLiteral("\\\\"); break;
        case '\n': escaped += QStringLiteral("\\n"); break;
        case '\t': escaped += QStringLiteral("\\t"); break;
        case '\r': escaped += QStringLiteral("\\r"); break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

}  // namespace qp
