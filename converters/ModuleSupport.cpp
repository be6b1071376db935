#include "ModuleSupport.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

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

// Whether a compound file's directory names a "WordDocument" stream. Names
// are UTF-16, little end first, and compared without regard to case, so some
// writers spell it in other capitals.
bool hasWordDocumentStream(const std::string& bytes)
{
    static const char name[] = "worddocument";
    const size_t length = sizeof name - 1;
    for (size_t at = 0; at + 2 * length <= bytes.size(); ++at) {
        size_t i = 0;
        while (i < length && bytes[at + 2 * i + 1] == '\0'
               && std::tolower(static_cast<unsigned char>(bytes[at + 2 * i])) == name[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
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

// Waits, without reaping, until the tool has ended or the deadline passes.
bool waitForExit(pid_t pid, Clock::time_point deadline)
{
    for (;;) {
        siginfo_t info {};
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return true;
        if (errno == ECHILD)
            return true;  // reaped by someone else; nothing left to wait for
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the tool with its standard output to `outFd`, or to /dev/null when
// negative, and its error output to `errFd` likewise.
pid_t spawnTool(const std::vector<std::string>& arguments, int outFd, int errFd)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
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

FileKind fileKind(const std::string& path)
{
    bool ok = false;
    const std::string bytes = readFile(path, &ok);
    if (!ok)
        return FileKind::Unknown;
    if (startsWith(bytes, CompoundSignature, sizeof CompoundSignature))
        return hasWordDocumentStream(bytes) ? FileKind::WordBinary : FileKind::Unknown;
    if (!startsWith(bytes, "PK\x03\x04", 4))
        return FileKind::Unknown;
    // An OpenDocument file names its type first, stored as it is.
    if (bytes.compare(30, 47, "mimetypeapplication/vnd.oasis.opendocument.text") == 0)
        return FileKind::OpenDocumentText;
    // Entry names stand uncompressed in the zip's headers.
    if (bytes.find("word/document.xml") != std::string::npos)
        return FileKind::WordXml;
    return FileKind::Unknown;
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
    const int errFd = errorFile();
    const pid_t pid = spawnTool(arguments, pipeFds[1], errFd);
    if (pipeFds[1] >= 0)
        ::close(pipeFds[1]);
    if (pid < 0) {
        if (pipeFds[0] >= 0)
            ::close(pipeFds[0]);
        if (errFd >= 0)
            ::close(errFd);
        return run;
    }

    bool inTime = true;
    if (pipeFds[0] >= 0) {
        char buffer[65536];
        for (;;) {
            pollfd readable {pipeFds[0], POLLIN, 0};
            const int ready = ::poll(&readable, 1, remainingMilliseconds(deadline));
            if (ready < 0 && errno == EINTR)
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
    const int exitCode = reap(pid);
    run.errors = readErrors(errFd);
    if (errFd >= 0)
        ::close(errFd);
    if (!inTime) {
        run.status = ToolRun::Status::TimedOut;
        run.output.clear();
        return run;
    }
    run.status = ToolRun::Status::Exited;
    run.exitCode = exitCode;
    return run;
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
