// The second Word converter: antiword reads the text of a Word 97-2003 file,
// which goes on as RTF paragraphs without formatting. It is small and quick,
// and it is there when LibreOffice is not.
//
// QUILLPRESS_ANTIWORD names the antiword program (default: antiword on PATH);
// QUILLPRESS_CONVERTER_TIMEOUT the time limit in seconds (default 30).

#include "ModuleSupport.h"

#include <filesystem>

namespace {

using namespace qpconv;

constexpr double DefaultLimitSeconds = 30;

std::string antiword()
{
    return findTool("QUILLPRESS_ANTIWORD", "antiword");
}

// antiword opens with an empty line and closes with line ends of its own.
std::string trimBlankLines(const std::string& text)
{
    const size_t first = text.find_first_not_of("\r\n");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of("\r\n");
    return text.substr(first, last - first + 1);
}

int32_t convert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    if (fileKind(fileName) != FileKind::WordBinary)
        return WrongFileType;
    const std::string program = antiword();
    if (program.empty())
        return ToolFailed;
    // An absolute name, so that a name beginning with "-" is never taken for an option.
    std::error_code error;
    const std::string path = std::filesystem::absolute(fileName, error).string();
    if (error)
        return CannotOpen;
    // One paragraph a line (-w 0), in UTF-8.
    const ToolRun run = runTool({program, "-m", "UTF-8.txt", "-w", "0", path}, timeLimit(DefaultLimitSeconds),
                                Output::Capture);
    if (run.status == ToolRun::Status::TimedOut)
        return TimedOut;
    if (run.status != ToolRun::Status::Exited || run.exitCode != 0)
        return ToolFailed;
    const std::string text = trimBlankLines(run.output);
    if (text.find_first_not_of(" \t\r\n\f") == std::string::npos)
        return NothingWritten;
    return deliver(textToRtf(text), transfer, output);
}

}  // namespace

bool qpconv::moduleRecognises(const std::string& fileName)
{
    return fileKind(fileName) == FileKind::WordBinary && !antiword().empty();
}

int32_t qpconv::moduleConvert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    return convert(fileName, transfer, output);
}
