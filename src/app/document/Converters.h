#pragma once

#include "ConverterAbi.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
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

    // What one converter made of a file.
    struct Result {
        enum class Status {
            Missing,        // no such converter, or not a library
            NotRecognised,  // it cannot start, or does not read this file
            Failed,         // it read the file and reported `code`, or gave back no RTF
            Cancelled,      // cancel() stopped it
            Converted,
        };
        Status status = Status::Missing;
        // ForeignToRtf32's answer (QP_RESULT_*), when it was called.
        int32_t code = 0;
        QByteArray rtf;
    };

    // Whether a file of either known converter is in the folder.
    bool available() const;
    // Loads the converter and asks it whether it reads the file; on the GUI
    // thread, since a converter that cannot start is told in a box. Missing or
    // NotRecognised; Converted means that run() may go on. Never throws.
    Result::Status open(const QString& fileName, const QString& converter, const Caller& caller);
    // Converts the file with the converter open() accepted, on any thread, one
    // conversion at a time; `percent` hears the converter's progress. The RTF
    // comes back only when the converter reports success and it reads as RTF.
    // Cancelled after cancel(), whatever the converter answered.
    // Never throws.
    Result run(const QString& fileName, const std::function<void(int)>& percent = {});
    // Both steps on the calling thread.
    Result convert(const QString& fileName, const QString& converter, const Caller& caller);
    // Asks the conversion under way to stop, from any thread: the converter's
    // own cancel entry point if it has one, and the output callback refuses
    // further pieces.
    void cancel();
    bool isLoaded() const;

private:
    bool load(const QString& converter);
    void release();
    bool isFormatCorrect(const QByteArray& fileName, const Caller& caller);

    QString m_folder;
    std::unique_ptr<QLibrary> m_library;
    QString m_loadedPath;
    QpInitConverter32 m_init = nullptr;
    QpIsFormatCorrect32 m_isFormatCorrect = nullptr;
    QpForeignToRtf32 m_foreignToRtf = nullptr;
    QpCancelConverter32 m_cancel = nullptr;
    std::atomic<bool> m_cancelled{false};
};

}  // namespace qp
