#pragma once

#include <QString>

namespace qp {

// Where the program keeps and finds its files.
struct Paths {
    QString settingsFolder;  // the store's hive files
    QString programFolder;   // Autowords.txt, Help.htm, tool-slot entries (written by the user)
    QString sharedFolder;    // files the program ships, used when the program folder lacks them
    QString programPath;     // this executable, for a second copy
    QString converterFolder; // the text converters for Word files
    QString recoveryFolder;  // copies of unsaved documents, kept against a crash
    QString dictionaryFolder; // Hunspell dictionaries (xx_YY.aff and .dic)

    // $XDG_CONFIG_HOME/Quillpress, $QUILLPRESS_HOME or $XDG_DATA_HOME/Quillpress,
    // share/quillpress beside the binary's tree, and $QUILLPRESS_CONVERTERS or
    // lib/quillpress/converters beside it; $XDG_STATE_HOME/Quillpress/recovery;
    // $QUILLPRESS_DICTIONARIES or /usr/share/hunspell.
    static Paths fromEnvironment(const QString& programPath);

    // The program folder's copy of a file if it has one, else the shipped one,
    // else an empty string.
    QString programFile(const QString& name) const;
};

}  // namespace qp
