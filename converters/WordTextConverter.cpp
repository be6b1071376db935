// The second Word converter: the text of a Word file, without formatting,
// as RTF paragraphs. It is small and quick, and it is there when LibreOffice
// is not.
//
// antiword reads a Word 97-2003 file first: it is several times quicker on
// long documents and shows footnote marks. It turns down documents with
// little text, though; wv (wvWare) reads those, short and empty documents.
// wv reads Word 6 and 95 files first: their text is 8-bit, and wv takes it
// in the character set of the document's language.
//
// QUILLPRESS_WV and QUILLPRESS_ANTIWORD name the programs (default: wvWare
// and antiword on PATH); QUILLPRESS_CONVERTER_TIMEOUT the time limit in
// seconds for each (default 30).

#include "ModuleSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

using namespace qpconv;

constexpr double DefaultLimitSeconds = 30;

std::string wv()
{
    return findTool("QUILLPRESS_WV", "wvWare");
}

std::string antiword()
{
    return findTool("QUILLPRESS_ANTIWORD", "antiword");
}

// A compound file cut short before its directory, where the name of the Word
// stream would be: it cannot be told by content, but nothing else opens it
// either, and the reader deserves to hear that it is damaged.
bool isCutShortCompoundFile(const std::string& path)
{
    static constexpr unsigned char Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::ifstream in(path, std::ios::binary);
    unsigned char header[512] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || std::memcmp(header, Signature, sizeof Signature) != 0)
        return false;
    in.seekg(0, std::ios::end);
    const auto size = static_cast<uint64_t>(in.tellg());
    // Little end first: the sector size as a power of two, and the directory's first sector.
    const unsigned shift = header[30] | header[31] << 8;
    const uint32_t directory = header[48] | header[49] << 8 | header[50] << 16 | uint32_t(header[51]) << 24;
    if ((shift != 9 && shift != 12) || directory >= 0xFFFFFFFA)
        return false;
    return (uint64_t(directory) + 2) << shift > size;
}

uint32_t littleEndian32(const std::string& bytes, size_t at)
{
    if (at + 4 > bytes.size())
        return 0xFFFFFFFF;
    const auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

// Whether the Word stream begins as Word 6 and 95 files do. Their text is
// 8-bit in the code page of the document's language, which wv takes into
// account and antiword does not always; Word 97 and later keep Unicode.
bool isWord6Or95(const std::string& path)
{
    bool ok = false;
    const std::string bytes = readFile(path, &ok);
    if (!ok || bytes.size() < 512)
        return false;
    const unsigned shift = littleEndian32(bytes, 30) & 0xFFFF;
    if (shift != 9 && shift != 12)
        return false;
    const size_t sectorSize = size_t(1) << shift;
    const auto sectorOffset = [&](uint32_t sector) { return (size_t(sector) + 1) << shift; };
    // The next sector of a chain, from the allocation table as far as the
    // header lists its sectors (files of up to about 7 MB with 512-byte
    // sectors); past that a chain ends, and the file counts as a later one.
    const auto nextSector = [&](uint32_t sector) -> uint32_t {
        const size_t perSector = sectorSize / 4;
        if (sector / perSector >= 109)
            return 0xFFFFFFFE;
        const uint32_t tableSector = littleEndian32(bytes, 76 + 4 * (sector / perSector));
        if (tableSector >= 0xFFFFFFFA)
            return 0xFFFFFFFE;
        return littleEndian32(bytes, sectorOffset(tableSector) + 4 * (sector % perSector));
    };
    uint32_t directory = littleEndian32(bytes, 48);
    // Directory entries of 128 bytes: a UTF-16 name, its length in bytes, the first sector.
    for (int sectors = 0; directory < 0xFFFFFFFA && sectors < 1024; ++sectors, directory = nextSector(directory)) {
        for (size_t entry = sectorOffset(directory); entry + 128 <= sectorOffset(directory) + sectorSize
                                                     && entry + 128 <= bytes.size();
             entry += 128) {
            static const char name[] = "WordDocument";
            if ((littleEndian32(bytes, entry + 64) & 0xFFFF) != 2 * sizeof name)
                continue;
            bool same = true;
            for (size_t i = 0; i < sizeof name - 1 && same; ++i)
                same = std::tolower(static_cast<unsigned char>(bytes[entry + 2 * i])) == std::tolower(name[i])
                       && bytes[entry + 2 * i + 1] == '\0';
            if (!same)
                continue;
            const uint32_t start = littleEndian32(bytes, entry + 116);
            size_t at = sectorOffset(start);
            // A stream under the cut-off size lives in 64-byte pieces of the
            // small-stream container, which the root entry holds.
            if (littleEndian32(bytes, entry + 120) < littleEndian32(bytes, 56)) {
                const size_t inContainer = size_t(start) * 64;
                if (inContainer >= bytes.size())
                    return false;
                uint32_t sector = littleEndian32(bytes, sectorOffset(littleEndian32(bytes, 48)) + 116);
                for (size_t skip = inContainer / sectorSize; skip > 0 && sector < 0xFFFFFFFA; --skip)
                    sector = nextSector(sector);
                if (sector >= 0xFFFFFFFA)
                    return false;
                at = sectorOffset(sector) + inContainer % sectorSize;
            }
            // The stream begins with the magic number: 0xA5DC for Word 6 and 95, 0xA5EC after them.
            return (littleEndian32(bytes, at) & 0xFFFF) == 0xA5DC;
        }
    }
    return false;
}

bool contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// What one tool made of the file: its text (UTF-8, one paragraph a line) or why not.
struct Reading {
    Result result = ToolFailed;
    std::string text;
};

// A tool that ran and gave up: a password is the tool's own reason; a crash
// says nothing about the file; any other refusal of a file that is a Word
// file by its content means the tool found it damaged.
Result refusal(const ToolRun& run)
{
    if (run.status == ToolRun::Status::TimedOut)
        return TimedOut;
    if (run.status != ToolRun::Status::Exited || run.exitCode < 0)
        return ToolFailed;
    std::string said = run.errors;
    std::transform(said.begin(), said.end(), said.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (contains(said, "encrypted") || contains(said, "password"))
        return PasswordProtected;
    return Damaged;
}

bool isBlank(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

// wvWare's text filter opens and closes with bare line ends of its own and
// ends each paragraph with the paragraph mark and a line end; a line break
// in a paragraph comes as a vertical tab.
std::string wvParagraphs(std::string text)
{
    const size_t first = text.find_first_not_of('\n');
    text.erase(0, first == std::string::npos ? text.size() : first);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\v') {
            lines += '\n';
        } else {
            lines += c;
        }
    }
    return lines;
}

Reading readWithWv(const std::string& program, const std::string& path)
{
    // Pictures are left out (-1); anything else it might write goes to a private folder.
    TempFolder folder;
    if (!folder.ok())
        return {Internal, {}};
    const ToolRun run = runTool({program, "-x", "wvText.xml", "-c", "UTF-8", "-1", "-d", folder.path(), path},
                                timeLimit(DefaultLimitSeconds), Output::Capture);
    if (run.status != ToolRun::Status::Exited || run.exitCode != 0)
        return {refusal(run), {}};
    // Even an empty document has its frame of line ends; without them nothing was read.
    if (run.output.empty())
        return {NothingWritten, {}};
    return {Ok, wvParagraphs(run.output)};
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

Reading readWithAntiword(const std::string& program, const std::string& path)
{
    // One paragraph a line (-w 0), in UTF-8.
    const ToolRun run = runTool({program, "-m", "UTF-8.txt", "-w", "0", path}, timeLimit(DefaultLimitSeconds),
                                Output::Capture);
    if (run.status != ToolRun::Status::Exited || run.exitCode != 0) {
        // It turns down documents with little text; that is no fault of the file.
        if (contains(run.errors, "too small"))
            return {ToolFailed, {}};
        return {refusal(run), {}};
    }
    if (run.output.empty())
        return {NothingWritten, {}};
    return {Ok, trimBlankLines(run.output)};
}

// Text of another alphabet whose 8-bit characters were taken for Western
// ones shows up as words made only of accented Latin letters ("Âîéíà" for
// "Война"), which Western languages hardly have.
bool looksMisread(const std::string& utf8)
{
    int words = 0;
    int accentedOnly = 0;
    int letters = 0;
    bool onlyAccented = true;
    const auto endWord = [&] {
        if (letters >= 3) {
            ++words;
            accentedOnly += onlyAccented ? 1 : 0;
        }
        letters = 0;
        onlyAccented = true;
    };
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t code = lead;
        size_t length = 1;
        if (lead >= 0xC0 && lead < 0xE0 && i + 1 < utf8.size()) {
            code = char32_t(lead & 0x1F) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
            length = 2;
        } else if (lead >= 0xE0) {
            code = 0x10000;  // beyond Latin-1: neither kind of letter
            length = lead >= 0xF0 ? 4 : 3;
        }
        i += length;
        const bool ascii = (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z');
        const bool accented = code >= 0xC0 && code <= 0xFF && code != 0xD7 && code != 0xF7;
        if (ascii || accented) {
            ++letters;
            onlyAccented = onlyAccented && accented;
        } else {
            endWord();
        }
    }
    endWord();
    return accentedOnly >= 2 && accentedOnly * 10 >= words * 3;
}

const char* const MisreadNote =
    "[Quillpress: the text below looks like letters of another alphabet read as Latin ones; "
    "it may be shown in the wrong character set.]\n\n";

bool isClean(const Reading& reading)
{
    return reading.result == Ok && !isBlank(reading.text) && !looksMisread(reading.text);
}

int32_t convert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    if (fileKind(fileName) != FileKind::WordBinary)
        return isCutShortCompoundFile(fileName) ? Damaged : WrongFileType;
    using Reader = Reading (*)(const std::string& program, const std::string& path);
    std::vector<std::pair<std::string, Reader>> readers;
    if (std::string program = antiword(); !program.empty())
        readers.emplace_back(program, &readWithAntiword);
    if (std::string program = wv(); !program.empty())
        readers.emplace_back(program, &readWithWv);
    if (isWord6Or95(fileName))
        std::reverse(readers.begin(), readers.end());
    if (readers.empty())
        return NoTool;
    // An absolute name, so that a name beginning with "-" is never taken for an option.
    std::error_code error;
    const std::string path = std::filesystem::absolute(fileName, error).string();
    if (error)
        return CannotOpen;

    std::vector<Reading> readings;
    for (const auto& [program, read] : readers) {
        Reading reading = read(program, path);
        if (isClean(reading))
            return deliver(textToRtf(reading.text), transfer, output);
        const Result result = reading.result;
        readings.push_back(std::move(reading));
        // Another reader gets no further with a password, and would take as long again.
        if (result == PasswordProtected || result == TimedOut || result == Internal)
            break;
    }
    // No clean reading: text that looks misread is shown with a warning
    // rather than as if it were right; a document without text opens empty.
    for (const Reading& reading : readings) {
        if (reading.result == Ok && !isBlank(reading.text))
            return deliver(textToRtf(MisreadNote + reading.text), transfer, output);
    }
    for (const Reading& reading : readings) {
        if (reading.result == Ok)
            return deliver(textToRtf({}), transfer, output);
    }
    // Else the most telling of the readers' reasons.
    static constexpr Result ByWeight[] = {PasswordProtected, Damaged, TimedOut, Internal, NothingWritten};
    for (const Result reason : ByWeight) {
        if (std::any_of(readings.begin(), readings.end(), [&](const Reading& r) { return r.result == reason; }))
            return reason;
    }
    return ToolFailed;
}

}  // namespace

bool qpconv::moduleRecognises(const std::string& fileName)
{
    return (fileKind(fileName) == FileKind::WordBinary || isCutShortCompoundFile(fileName))
           && !(wv().empty() && antiword().empty());
}

int32_t qpconv::moduleConvert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    return convert(fileName, transfer, output);
}
