// The first Word converter: LibreOffice's headless converter turns .doc (and
// .docx and .odt) into RTF with its formatting. It runs with a profile of its
// own in a private folder, so that it neither waits for nor disturbs a
// LibreOffice the user has open, and on a copy of the file, so that it leaves
// no lock file beside the user's document.
//
// QUILLPRESS_SOFFICE names the soffice program (default: soffice on PATH);
// QUILLPRESS_CONVERTER_TIMEOUT the time limit in seconds (default 90).

#include "ModuleSupport.h"

#include <filesystem>

namespace {

using namespace qpconv;

constexpr double DefaultLimitSeconds = 90;

std::string soffice()
{
    return findTool("QUILLPRESS_SOFFICE", "soffice", {"/usr/lib/libreoffice/program/soffice"});
}

const char* extensionOf(FileKind kind)
{
    switch (kind) {
    case FileKind::WordBinary:
        return ".doc";
    case FileKind::WordXml:
        return ".docx";
    case FileKind::OpenDocumentText:
        return ".odt";
    case FileKind::Unknown:
        break;
    }
    return nullptr;
}

int32_t convert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    const char* extension = extensionOf(fileKind(fileName));
    if (!extension)
        return WrongFileType;
    const std::string program = soffice();
    if (program.empty())
        return ToolFailed;
    TempFolder folder;
    if (!folder.ok())
        return Internal;
    const std::string input = folder.path() + "/document" + extension;
    const std::string outFolder = folder.path() + "/out";
    std::error_code error;
    std::filesystem::copy_file(fileName, input, error);
    if (error)
        return CannotOpen;
    std::filesystem::create_directory(outFolder, error);
    if (error)
        return Internal;

    const ToolRun run = runTool({program, "-env:UserInstallation=" + fileUrl(folder.path() + "/profile"), "--headless",
                                 "--invisible", "--nologo", "--norestore", "--nolockcheck", "--convert-to", "rtf",
                                 "--outdir", outFolder, input},
                                timeLimit(DefaultLimitSeconds), Output::Discard);
    if (run.status == ToolRun::Status::TimedOut)
        return TimedOut;
    // soffice answers 0 even when it could not read the file; what it wrote tells.
    if (run.status != ToolRun::Status::Exited || run.exitCode != 0)
        return ToolFailed;
    bool read = false;
    const std::string rtf = readFile(outFolder + "/document.rtf", &read);
    if (!read || rtf.empty())
        return NothingWritten;
    if (rtf.compare(0, 5, "{\\rtf") != 0)
        return ToolFailed;
    return deliver(rtf, transfer, output);
}

}  // namespace

// Only when LibreOffice is there to do the work; otherwise the next converter gets the file.
bool qpconv::moduleRecognises(const std::string& fileName)
{
    return fileKind(fileName) != FileKind::Unknown && !soffice().empty();
}

int32_t qpconv::moduleConvert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    return convert(fileName, transfer, output);
}
