#include "ModuleSupport.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include <zlib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qpconv {

namespace {

using Clock = std::chrono::steady_clock;

bool isExecutableFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The header's first eight bytes, and the file's bytes for the marks further in.
constexpr unsigned char CompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool startsWith(const std::string& bytes, const void* prefix, size_t size)
{
    return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

// Where a compound file's directory names a stream, compared without regard
// to case (some writers spell "WordDocument" in other capitals): the offset
// of the UTF-16 name, little end first, or npos.
size_t findStreamName(const std::string& bytes, const char* lowerName, size_t from = 0)
{
    const size_t length = std::strlen(lowerName);
    for (size_t at = from; at + 2 * length <= bytes.size(); ++at) {
        size_t i = 0;
        while (i < length && bytes[at + 2 * i + 1] == '\0'
               && std::tolower(static_cast<unsigned char>(bytes[at + 2 * i])) == lowerName[i])
            ++i;
        if (i == length)
            return at;
    }
    return std::string::npos;
}

unsigned readLittle(const std::string& bytes, size_t at, int size)
{
    unsigned value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + size_t(i)]);
    return value;
}

// The Word header (FIB) at the start of the "WordDocument" stream: its
// directory entry stands at a multiple of 128 bytes and names the stream's
// first sector, where the header begins. Empty when it cannot be found.
std::string wordHeader(const std::string& bytes)
{
    if (bytes.size() < 512)
        return {};
    const unsigned shift = readLittle(bytes, 0x1E, 2);
    if (shift != 9 && shift != 12)
        return {};
    const size_t sectorSize = size_t(1) << shift;
    for (size_t at = findStreamName(bytes, "worddocument"); at != std::string::npos;
         at = findStreamName(bytes, "worddocument", at + 1)) {
        // A stream entry (type 2) whose name of 13 UTF-16 units ends there.
        if (at % 128 != 0 || at + 128 > bytes.size() || readLittle(bytes, at + 0x40, 2) != 26
            || bytes[at + 0x42] != 2)
            continue;
        const size_t start = (size_t(readLittle(bytes, at + 0x74, 4)) + 1) * sectorSize;
        if (start + 32 <= bytes.size())
            return bytes.substr(start, 32);
    }
    return {};
}

// The bytes of a zip entry, inflated when it is compressed; empty when the
// entry is missing or broken. Entries are found through the central directory.
std::string zipEntry(const std::string& bytes, const std::string& name)
{
    const size_t end = bytes.rfind("PK\x05\x06");
    if (end == std::string::npos || end + 22 > bytes.size())
        return {};
    size_t at = readLittle(bytes, end + 16, 4);
    const unsigned entries = readLittle(bytes, end + 10, 2);
    for (unsigned n = 0; n < entries && at + 46 <= bytes.size() && bytes.compare(at, 4, "PK\x01\x02") == 0; ++n) {
        const unsigned method = readLittle(bytes, at + 10, 2);
        const size_t packed = readLittle(bytes, at + 20, 4);
        const size_t unpacked = readLittle(bytes, at + 24, 4);
        const size_t nameLength = readLittle(bytes, at + 28, 2);
        const size_t skip = nameLength + readLittle(bytes, at + 30, 2) + readLittle(bytes, at + 32, 2);
        const size_t local = readLittle(bytes, at + 42, 4);
        if (at + 46 + nameLength <= bytes.size() && bytes.compare(at + 46, nameLength, name) == 0) {
            if (local + 30 > bytes.size() || unpacked > (64u << 20))
                return {};
            const size_t data = local + 30 + readLittle(bytes, local + 26, 2) + readLittle(bytes, local + 28, 2);
            if (data + packed > bytes.size())
                return {};
            if (method == 0)
                return bytes.substr(data, packed);
            if (method != 8)
                return {};
            std::string out(unpacked, '\0');
            z_stream stream {};
            if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
                return {};
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + data));
            stream.avail_in = uInt(packed);
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = uInt(out.size());
            const int result = inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
            return result == Z_STREAM_END ? out.substr(0, stream.total_out) : std::string();
        }
        at += 46 + skip;
    }
    return {};
}

int remainingMilliseconds(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : int(std::min<long long>(left, 1000 * 60 * 60));
}

// The whole group, the tool's leftovers included. The tool itself is not
// reaped yet, so its process group id cannot have passed to anyone else.
void killGroup(pid_t group)
{
    ::kill(-group, SIGKILL);
}

// Waits, without reaping, until the tool has ended, the deadline passes or
// the work is cancelled.
bool waitForExit(pid_t pid, Clock::time_point deadline)
{
    for (;;) {
        siginfo_t info {};
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return true;
        if (errno == ECHILD)
            return true;  // reaped by someone else; nothing left to wait for
        if (Clock::now() >= deadline || cancelRequested())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::mutex& groupsMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<pid_t>& groups()
{
    static std::vector<pid_t> list;
    return list;
}

std::atomic<int> s_working {0};
std::atomic<bool> s_cancelled {false};

int reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the tool with its standard input from `inFd`, output to `outFd` and
// error output to `errFd`, each /dev/null when negative.
pid_t spawnTool(const std::vector<std::string>& arguments, int inFd, int outFd, int errFd)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (inFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inFd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // A group of its own, so that the tool and everything it starts can be
    // stopped together; signals as a fresh program has them.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return failed ? -1 : pid;
}

constexpr size_t ErrorsKept = 64 * 1024;

// A file in memory takes the error output: the tool can write all it wants
// without a pipe to drain, and what it said is read once it has ended.
int errorFile()
{
    return ::memfd_create("tool-errors", MFD_CLOEXEC);
}

std::string readErrors(int fd)
{
    std::string errors;
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return errors;
    char buffer[4096];
    while (errors.size() < ErrorsKept) {
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, ErrorsKept - errors.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        errors.append(buffer, size_t(got));
    }
    return errors;
}

}  // namespace

std::string blockText(const QpBlock* block)
{
    if (!block || !block->bytes || block->size == 0)
        return {};
    const auto* bytes = reinterpret_cast<const char*>(block->bytes);
    return std::string(bytes, ::strnlen(bytes, block->size));
}

namespace {

FileKind kindOf(const std::string& bytes)
{
    if (startsWith(bytes, CompoundSignature, sizeof CompoundSignature)) {
        if (findStreamName(bytes, "worddocument") != std::string::npos)
            return FileKind::WordBinary;
        // A protected .docx is such a compound file with the package encrypted inside.
        if (findStreamName(bytes, "encryptioninfo") != std::string::npos
            && findStreamName(bytes, "encryptedpackage") != std::string::npos)
            return FileKind::EncryptedOffice;
        return FileKind::Unknown;
    }
    // WordPerfect: its mark, then a pointer, the product (1, WordPerfect) and the file type (10, a document).
    if (startsWith(bytes, "\xFFWPC", 4) && bytes.size() >= 16 && bytes[8] == 1 && bytes[9] == 10)
        return FileKind::WordPerfect;
    if (!startsWith(bytes, "PK\x03\x04", 4))
        return FileKind::Unknown;
    // An OpenDocument file names its type first, stored as it is, and so does its forerunner.
    if (bytes.compare(30, 47, "mimetypeapplication/vnd.oasis.opendocument.text") == 0)
        return FileKind::OpenDocumentText;
    if (bytes.compare(30, 38, "mimetypeapplication/vnd.sun.xml.writer") == 0)
        return FileKind::StarWriter;
    // Entry names stand uncompressed in the zip's headers.
    if (bytes.find("word/document.xml") != std::string::npos)
        return FileKind::WordXml;
    return FileKind::Unknown;
}

}  // namespace

FileKind fileKind(const std::string& path)
{
    bool ok = false;
    const std::string bytes = readFile(path, &ok);
    return ok ? kindOf(bytes) : FileKind::Unknown;
}

bool isPasswordProtected(const std::string& path)
{
    bool ok = false;
    const std::string bytes = readFile(path, &ok);
    if (!ok)
        return false;
    switch (kindOf(bytes)) {
    case FileKind::EncryptedOffice:
        return true;
    case FileKind::WordBinary: {
        // Word 97 and later (0xA5EC) and Word 6/95 (0xA5DC) keep fEncrypted in the same flag word.
        const std::string header = wordHeader(bytes);
        if (header.size() < 12)
            return false;
        const unsigned ident = readLittle(header, 0, 2);
        return (ident == 0xA5EC || ident == 0xA5DC) && (readLittle(header, 0x0A, 2) & 0x0100) != 0;
    }
    case FileKind::OpenDocumentText:
    case FileKind::StarWriter:
        return zipEntry(bytes, "META-INF/manifest.xml").find("encryption-data") != std::string::npos;
    case FileKind::WordXml:
    case FileKind::WordPerfect:
    case FileKind::Unknown:
        break;
    }
    return false;
}

std::string findTool(const char* variable, const char* name, const std::vector<std::string>& fallbacks)
{
    if (const char* chosen = std::getenv(variable); chosen && *chosen)
        return isExecutableFile(chosen) ? std::string(chosen) : std::string();
    if (const char* path = std::getenv("PATH")) {
        const std::string folders = path;
        size_t start = 0;
        while (start <= folders.size()) {
            const size_t end = std::min(folders.find(':', start), folders.size());
            const std::string folder = folders.substr(start, end - start);
            if (!folder.empty()) {
                const std::string candidate = folder + "/" + name;
                if (isExecutableFile(candidate))
                    return candidate;
            }
            start = end + 1;
        }
    }
    for (const std::string& candidate : fallbacks) {
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

double timeLimit(double fallbackSeconds)
{
    if (const char* text = std::getenv("QUILLPRESS_CONVERTER_TIMEOUT")) {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (end != text && seconds > 0)
            return seconds;
    }
    return fallbackSeconds;
}

ToolRun runTool(const std::vector<std::string>& arguments, double limitSeconds, Output output)
{
    ToolRun run;
    if (arguments.empty())
        return run;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds));

    int pipeFds[2] = {-1, -1};
    if (output == Output::Capture && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return run;
    if (cancelRequested()) {
        for (const int fd : pipeFds) {
            if (fd >= 0)
                ::close(fd);
        }
        return run.status = ToolRun::Status::Cancelled, run;
    }
    const int errFd = errorFile();
    const pid_t pid = spawnTool(arguments, -1, pipeFds[1], errFd);
    if (pipeFds[1] >= 0)
        ::close(pipeFds[1]);
    if (pid < 0) {
        if (pipeFds[0] >= 0)
            ::close(pipeFds[0]);
        if (errFd >= 0)
            ::close(errFd);
        return run;
    }
    registerGroup(pid);

    bool inTime = true;
    if (pipeFds[0] >= 0) {
        char buffer[65536];
        for (;;) {
            if (cancelRequested()) {
                inTime = false;
                break;
            }
            pollfd readable {pipeFds[0], POLLIN, 0};
            // Short waits, so that a cancel is seen soon.
            const int ready = ::poll(&readable, 1, std::min(remainingMilliseconds(deadline), 50));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0 && Clock::now() < deadline)
                continue;
            if (ready <= 0) {
                inTime = false;
                break;
            }
            const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            run.output.append(buffer, size_t(got));
        }
        ::close(pipeFds[0]);
    }
    if (inTime)
        inTime = waitForExit(pid, deadline);
    killGroup(pid);
    unregisterGroup(pid);
    const int exitCode = reap(pid);
    run.errors = readErrors(errFd);
    if (errFd >= 0)
        ::close(errFd);
    if (cancelRequested()) {
        run.status = ToolRun::Status::Cancelled;
        run.output.clear();
        return run;
    }
    if (!inTime) {
        run.status = ToolRun::Status::TimedOut;
        run.output.clear();
        return run;
    }
    run.status = ToolRun::Status::Exited;
    run.exitCode = exitCode;
    return run;
}

pid_t spawnGroup(const std::vector<std::string>& arguments, int inputFd)
{
    return arguments.empty() ? -1 : spawnTool(arguments, inputFd, -1, -1);
}

void registerGroup(pid_t group)
{
    const std::lock_guard lock(groupsMutex());
    groups().push_back(group);
}

void unregisterGroup(pid_t group)
{
    const std::lock_guard lock(groupsMutex());
    std::erase(groups(), group);
}

void prepareGroupList()
{
    const std::lock_guard lock(groupsMutex());
    groups();
}

WorkScope::WorkScope()
{
    if (s_working++ == 0)
        s_cancelled = false;
}

WorkScope::~WorkScope()
{
    --s_working;
}

void cancelWork()
{
    if (s_working > 0)
        s_cancelled = true;
    const std::lock_guard lock(groupsMutex());
    for (const pid_t group : groups())
        killGroup(group);
}

bool cancelRequested()
{
    return s_cancelled;
}

TempFolder::TempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillpress-convert-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempFolder::~TempFolder()
{
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string fileUrl(const std::string& path)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c))
            url += char(c);
        else {
            url += '%';
            url += Hex[c >> 4];
            url += Hex[c & 15];
        }
    }
    return url;
}

std::string readFile(const std::string& path, bool* ok)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *ok = in.good() || in.eof();
    if (!in.is_open())
        *ok = false;
    return bytes;
}

int32_t deliver(const std::string& rtf, QpBlock* transfer, QpOutputCallback output)
{
    if (!transfer || !transfer->bytes || transfer->size < 2 || !output)
        return Internal;
    const size_t piece = std::min<size_t>(QP_TRANSFER_SIZE, transfer->size - 1);
    for (size_t done = 0; done < rtf.size();) {
        const size_t count = std::min(piece, rtf.size() - done);
        std::memcpy(transfer->bytes, rtf.data() + done, count);
        transfer->bytes[count] = 0;
        done += count;
        if (output(int32_t(count), int32_t(done * 100 / rtf.size())) != 0)
            return Cancelled;
    }
    return Ok;
}

namespace {

// One code point from UTF-8 at `i`, moving past it; a broken sequence gives U+FFFD for its first byte.
char32_t nextCodePoint(const std::string& text, size_t& i)
{
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    int extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + size_t(extra) >= text.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        if ((byte(i + size_t(k)) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        code = (code << 6) | (byte(i + size_t(k)) & 0x3F);
    }
    i += size_t(extra) + 1;
    return code > 0x10FFFF ? 0xFFFD : code;
}

void appendUnicode(std::string& rtf, char32_t unit)
{
    // \uN takes a signed 16-bit number; "?" stands in for readers without Unicode.
    const int value = unit > 0x7FFF ? int(unit) - 0x10000 : int(unit);
    rtf += "\\u" + std::to_string(value) + "?";
}

}  // namespace

std::string textToRtf(const std::string& utf8)
{
    std::string rtf = "{\\rtf1\\ansi\\uc1\n";
    for (size_t i = 0; i < utf8.size();) {
        const char32_t code = nextCodePoint(utf8, i);
        if (code == '\n' || code == '\f') {
            rtf += "\\par\n";
            continue;
        }
        if (code == '\\' || code == '{' || code == '}') {
            rtf += '\\';
            rtf += char(code);
        } else if (code == '\t') {
            rtf += "\\tab ";
        } else if (code < 0x20 || code == 0x7F) {
            // Other control characters have no place in the text.
        } else if (code < 0x80) {
            rtf += char(code);
        } else if (code > 0xFFFF) {
            const char32_t v = code - 0x10000;
            appendUnicode(rtf, 0xD800 + (v >> 10));
            appendUnicode(rtf, 0xDC00 + (v & 0x3FF));
        } else {
            appendUnicode(rtf, code);
        }
    }
    rtf += "}";
    return rtf;
}

}  // namespace qpconv
