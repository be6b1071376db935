#pragma once

// What both converter modules share: reading the program's blocks, telling
// a file by its content, finding and running an outside tool under a time
// limit, and handing RTF back through the transfer block.

#include "ConverterAbi.h"

#include <string>
#include <vector>

#include <sys/types.h>

#define QP_CONVERTER_EXPORT extern "C" __attribute__((visibility("default")))

namespace qpconv {

// Result codes of ForeignToRtf32; 0 is success.
enum Result : int32_t {
    Ok = 0,
    CannotOpen = QP_RESULT_CANNOT_OPEN,
    ToolFailed = QP_RESULT_TOOL_FAILED,
    TimedOut = QP_RESULT_TIMED_OUT,
    NothingWritten = QP_RESULT_NOTHING_WRITTEN,
    Cancelled = QP_RESULT_CANCELLED,
    WrongFileType = QP_RESULT_WRONG_FILE_TYPE,
    Internal = QP_RESULT_INTERNAL,
    PasswordProtected = QP_RESULT_PASSWORD,
    Damaged = QP_RESULT_DAMAGED,
    NoTool = QP_RESULT_NO_TOOL,
};

// The zero-terminated text of a block the program handed in.
std::string blockText(const QpBlock* block);

enum class FileKind {
    Unknown,
    WordBinary,        // Word 6 to 2003
    WordXml,           // .docx
    OpenDocumentText,  // .odt
    StarWriter,        // .sxw, OpenDocument's forerunner
    WordPerfect,       // .wpd
    EncryptedOffice,   // a password-protected .docx: a compound file holding an encrypted package
};

// By content, never by name: a Word compound file holds a "WordDocument"
// stream; .docx, .odt and .sxw are zip files with their own marks; a
// WordPerfect document opens with its own header.
FileKind fileKind(const std::string& path);

// Whether the document needs a password to be read: a Word 6-2003 file whose
// header says it is encrypted, an encrypted Office package, or an
// OpenDocument file whose manifest describes encrypted parts.
bool isPasswordProtected(const std::string& path);

// The tool named by the environment variable when it is set (and nothing
// when that is not an executable file), else the first of `name` on PATH
// and the fallbacks that is executable.
std::string findTool(const char* variable, const char* name, const std::vector<std::string>& fallbacks = {});

// Seconds from QUILLPRESS_CONVERTER_TIMEOUT when it holds a positive number, else the fallback.
double timeLimit(double fallbackSeconds);

struct ToolRun {
    enum class Status { Exited, CouldNotStart, TimedOut, Cancelled } status = Status::CouldNotStart;
    int exitCode = -1;
    std::string output;  // standard output, when asked for
    std::string errors;  // the start of its error output, where tools say why they failed
};

enum class Output { Capture, Discard };

// Runs the tool in a process group of its own, without a terminal or input.
// Past the limit, or on cancelWork, the whole group is killed; whatever the
// group left running after the tool ended is killed too.
ToolRun runTool(const std::vector<std::string>& arguments, double limitSeconds, Output output);

// Starts a program in a process group of its own with `inputFd` as its
// standard input and no output; the pid, or -1. The caller reaps it.
pid_t spawnGroup(const std::vector<std::string>& arguments, int inputFd);

// Process groups that cancelWork kills: runTool's tools while they run, and
// whatever a module keeps running between conversions. A group leaves the
// list before its leader is reaped, so that its id cannot have passed to
// another process when it is killed.
void registerGroup(pid_t group);
void unregisterGroup(pid_t group);
// Makes the list of groups now, so that a static object made after this call
// may still unregister its group when it is destroyed at the module's end.
void prepareGroupList();

// A conversion under way, for the time of the object; one that starts
// forgets a cancel meant for an earlier one.
class WorkScope {
public:
    WorkScope();
    ~WorkScope();
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;
};

// What CancelConverter32 does, from any thread: kills every registered group
// and makes the work under way give up with Cancelled.
void cancelWork();
bool cancelRequested();

// A private folder under $TMPDIR (or /tmp), removed with all it holds.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    bool ok() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The folder as a file:// URL, for tools that take one.
std::string fileUrl(const std::string& path);

std::string readFile(const std::string& path, bool* ok);

// Hands the RTF to the program in pieces of at most QP_TRANSFER_SIZE bytes.
int32_t deliver(const std::string& rtf, QpBlock* transfer, QpOutputCallback output);

// Plain text (UTF-8, one paragraph a line) as RTF paragraphs.
std::string textToRtf(const std::string& utf8);

// What each module supplies; the entry points (EntryPoints.cpp, built into
// every module) call them and keep exceptions inside the module.
// Whether the module reads the file, with the tool it needs at hand.
bool moduleRecognises(const std::string& fileName);
// Converts the file and hands the RTF on; a Result.
int32_t moduleConvert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output);

}  // namespace qpconv
