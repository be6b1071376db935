#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace qp {

namespace {

QString environmentFolder(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

}  // namespace

Paths Paths::fromEnvironment(const QString& programPath)
{
    Paths paths;
    paths.programPath = programPath;
    const QString home = QDir::homePath();
    paths.settingsFolder = environmentFolder("XDG_CONFIG_HOME", home + QStringLiteral("/.config"))
                           + QStringLiteral("/Quillpress");
    paths.programFolder = environmentFolder(
        "QUILLPRESS_HOME",
        environmentFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share")) + QStringLiteral("/Quillpress"));
    paths.recoveryFolder = environmentFolder("XDG_STATE_HOME", home + QStringLiteral("/.local/state"))
                           + QStringLiteral("/Quillpress/recovery");
    // bin/quillpress -> share/quillpress, in the build tree as when installed.
    const QDir binDir = QFileInfo(programPath).absoluteDir();
    paths.sharedFolder = QDir::cleanPath(binDir.absoluteFilePath(QStringLiteral("../share/quillpress")));
    paths.converterFolder = environmentFolder(
        "QUILLPRESS_CONVERTERS", QDir::cleanPath(binDir.absoluteFilePath(QStringLiteral("../lib/quillpress/converters"))));
    paths.dictionaryFolder = environmentFolder("QUILLPRESS_DICTIONARIES", QStringLiteral("/usr/share/hunspell"));
    return paths;
}

QString Paths::programFile(const QString& name) const
{
    for (const QString& folder : {programFolder, sharedFolder}) {
        if (folder.isEmpty())
            continue;
        const QString candidate = QDir(folder).filePath(name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

}  // namespace qp
