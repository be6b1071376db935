#pragma once

// What both converter modules share: reading the program's blocks, telling
// a file by its content, finding and running an outside tool under a time
// limit, and handing RTF back through the transfer block.

#include "ConverterAbi.h"

#include <string>
#include <vector>

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

enum class FileKind { Unknown, WordBinary, WordXml, OpenDocumentText };

// By content, never by name: a Word 97-2003 compound file holds a
// "WordDocument" stream; .docx and .odt are zip files with their own marks.
FileKind fileKind(const std::string& path);

// The tool named by the environment variable when it is set (and nothing
// when that is not an executable file), else the first of `name` on PATH
// and the fallbacks that is executable.
std::string findTool(const char* variable, const char* name, const std::vector<std::string>& fallbacks = {});

// Seconds from QUILLPRESS_CONVERTER_TIMEOUT when it holds a positive number, else the fallback.
double timeLimit(double fallbackSeconds);

struct ToolRun {
    enum class Status { Exited, CouldNotStart, TimedOut } status = Status::CouldNotStart;
    int exitCode = -1;
    std::string output;  // standard output, when asked for
    std::string errors;  // the start of its error output, where tools say why they failed
};

enum class Output { Capture, Discard };

// Runs the tool in a process group of its own, without a terminal or input.
// Past the limit the whole group is killed; whatever the group left running
// after the tool ended is killed too.
ToolRun runTool(const std::vector<std::string>& arguments, double limitSeconds, Output output);

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
