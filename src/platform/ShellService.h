#pragma once

#include <QString>

#include <memory>

namespace qp {

// Never waits and shows no message of its own.
class ShellService {
public:
    virtual ~ShellService() = default;
    // Opens a path with its default action: a desktop entry is started as
    // its Exec line says, a document or address goes to the desktop's handler;
    // nothing is ever run as a program for its executable bit. The parameter
    // text is not passed on. Returns false when nothing could be started.
    virtual bool open(const QString& path, const QString& parameters) = 0;
    // Hands a document to a program as one argument, never through a command
    // splitter: the program is an executable file, a command on PATH, or a
    // desktop entry (the document goes where its field codes say).
    virtual bool runWith(const QString& program, const QString& document) = 0;
    // A second, independent copy of this program, with no arguments.
    virtual bool startProgramCopy() = 0;
    // Tells the desktop that file associations changed.
    virtual void notifyAssociationsChanged() = 0;
    // The desktop side of the file associations: the program's desktop entry
    // and the default handler of a MIME type, the previous one kept and put
    // back; the "Send to" entry; all of it away. Failures throw AppError.
    virtual void setDefaultHandler(const QString& mimeType, bool on) = 0;
    // True when the desktop opens the type with this program.
    virtual bool isDefaultHandler(const QString& mimeType) = 0;
    virtual void setSendToEntry(bool on) = 0;
    virtual void removeDesktopIntegration() = 0;
    // Puts a document the program opened or saved on the desktop's list of
    // recently used files; a list that cannot be written is left alone.
    virtual void addRecentDocument(const QString& path) = 0;
};

std::unique_ptr<ShellService> makeQtShellService(QString programPath);

}  // namespace qp
