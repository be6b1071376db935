#pragma once

#include "ConverterAbi.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QLibrary;

namespace qp {

class MessageService;

// The converters for binary Word files, in the order they are tried.
inline constexpr const char* WordConverters[] = {"MSWRD832.CNV", "MSWRD632.WPC"};

// The text converters of the converter folder: shared libraries that turn a
// foreign file into RTF. At most one is loaded at a time; the last one stays
// loaded until this object goes, at the program's end.
class Converters {
public:
    // An empty folder means the bare file names: the system's library search
    // loads them and the current folder is where they are looked for.
    explicit Converters(QString folder);
    ~Converters();
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;

    // What the converter is told about the program.
    struct Caller {
        MessageService& messages;
        quintptr window;
        QString programPath;
    };

    // Whether a file of either known converter is in the folder.
    bool available() const;
    // The RTF the converter makes of the file, or nothing when the converter
    // is missing, does not know the file, reports an error or hands back
    // nothing that reads as RTF. Never throws.
    std::optional<QByteArray> convert(const QString& fileName, const QString& converter, const Caller& caller);
    bool isLoaded() const;

private:
    bool load(const QString& converter);
    void release();
    bool isFormatCorrect(const QByteArray& fileName, const Caller& caller);
    std::optional<QByteArray> foreignToRtf(const QByteArray& fileName);

    QString m_folder;
    std::unique_ptr<QLibrary> m_library;
    QString m_loadedPath;
    QpInitConverter32 m_init = nullptr;
    QpIsFormatCorrect32 m_isFormatCorrect = nullptr;
    QpForeignToRtf32 m_foreignToRtf = nullptr;
};

}  // namespace qp
