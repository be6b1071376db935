// The first Word converter: LibreOffice turns Word files (and the other
// word-processor files it reads) into RTF with their formatting, and writes
// the program's RTF out as .docx, .odt or PDF.
//
// Starting LibreOffice takes most of a conversion's time, so the first
// conversion starts one that stays: it keeps a small document open in a
// hidden window, which stops it from ending when a conversion is done, and
// every conversion is then a short-lived `soffice --convert-to` with the same
// profile, which hands its work to the running instance and waits for it.
// The instance runs with a profile of its own in a private folder, so that it
// neither waits for nor disturbs a LibreOffice the user has open, and converts
// a copy of the file, so that it leaves no lock file beside the user's
// document. It ends when the module is unloaded or the program ends (however
// it ends: a shell in its process group kills the group when the pipe the
// module holds closes), after some idle minutes, and on CancelConverter32.
// When it cannot start, the conversion runs in a LibreOffice of its own.
//
// QUILLPRESS_SOFFICE names the soffice program (default: soffice on PATH);
// QUILLPRESS_CONVERTER_TIMEOUT the time limit in seconds (default 90);
// QUILLPRESS_CONVERTER_IDLE the seconds the instance waits for more work (default 600).

#include "ModuleSupport.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace qpconv;
using Clock = std::chrono::steady_clock;

constexpr double DefaultLimitSeconds = 90;
constexpr double DefaultIdleSeconds = 600;

std::string soffice()
{
    return findTool("QUILLPRESS_SOFFICE", "soffice", {"/usr/lib/libreoffice/program/soffice"});
}

double idleSeconds()
{
    if (const char* text = std::getenv("QUILLPRESS_CONVERTER_IDLE")) {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (end != text && seconds > 0)
            return seconds;
    }
    return DefaultIdleSeconds;
}

Clock::duration seconds(double count)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(count));
}

double secondsLeft(Clock::time_point deadline)
{
    return std::max(0.001, std::chrono::duration<double>(deadline - Clock::now()).count());
}

// Runs soffice with the arguments after it and stays its process group's
// leader. When the module's end of its input closes (the module let it go,
// or the program ended in any way) or LibreOffice ends, the whole group goes.
const char* const Lifeline = "exec 3<&0\n"
                             "\"$0\" \"$@\" </dev/null 3<&- &\n"
                             "office=$!\n"
                             "{ read -r line <&3; kill -KILL 0; } &\n"
                             "exec 3<&-\n"
                             "wait \"$office\"\n"
                             "kill -KILL 0\n";

std::string tempBase()
{
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

std::string pipeFolder();
std::string officePipe(const std::string& profileUrl);

// The pipes a killed LibreOffice of this private folder left behind: the
// one it listened on, named after the folder, and its own.
void removePipesOf(const std::string& folder)
{
    const std::string prefix =
        "OSL_PIPE_" + std::to_string(::getuid()) + "_" + std::filesystem::path(folder).filename().string() + "-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(pipeFolder(), error))
        if (entry.path().filename().string().compare(0, prefix.size(), prefix) == 0)
            ::unlink(entry.path().c_str());
    ::unlink(officePipe(fileUrl(folder + "/profile")).c_str());
}

// The kept instance's private folder, named after the program's process so
// that a later program can clear what a killed one left behind.
class OfficeFolder {
public:
    OfficeFolder()
    {
        sweep();
        std::string pattern = tempBase() + "/quillpress-office-" + std::to_string(::getpid()) + "-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~OfficeFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    OfficeFolder(const OfficeFolder&) = delete;
    OfficeFolder& operator=(const OfficeFolder&) = delete;
    bool ok() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

private:
    // Folders of this user's programs that are no longer running.
    static void sweep()
    {
        const std::string prefix = "quillpress-office-";
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(tempBase(), error)) {
            const std::string name = entry.path().filename().string();
            if (name.compare(0, prefix.size(), prefix) != 0)
                continue;
            const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
            struct stat info {};
            if (pid <= 0 || ::lstat(entry.path().c_str(), &info) != 0 || info.st_uid != ::getuid()
                || !S_ISDIR(info.st_mode))
                continue;
            if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
                removePipesOf(entry.path().string());
                std::error_code ignored;
                std::filesystem::remove_all(entry.path(), ignored);
            }
        }
    }

    std::string m_path;
};

// MD5 (RFC 1321), for the name of LibreOffice's own pipe below.
std::array<unsigned char, 16> md5(const std::string& message)
{
    static const uint32_t K[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const int R[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 5, 9,  14, 20, 5, 9,
                              14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                              4, 11, 16, 23, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    std::string data = message;
    const uint64_t bits = uint64_t(message.size()) * 8;
    data += char(0x80);
    while (data.size() % 64 != 56)
        data += char(0);
    for (int i = 0; i < 8; ++i)
        data += char((bits >> (8 * i)) & 0xFF);
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (size_t chunk = 0; chunk < data.size(); chunk += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int b = 3; b >= 0; --b)
                w[i] = (w[i] << 8) | static_cast<unsigned char>(data[chunk + size_t(4 * i + b)]);
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f = 0;
            int g = 0;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const uint32_t sum = a + f + K[i] + w[g];
            a = d;
            d = c;
            c = b;
            b += (sum << R[i]) | (sum >> (32 - R[i]));
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    std::array<unsigned char, 16> digest {};
    for (int i = 0; i < 16; ++i)
        digest[size_t(i)] = static_cast<unsigned char>(h[i / 4] >> (8 * (i % 4)));
    return digest;
}

// Where LibreOffice keeps a pipe, in /tmp unless that cannot be written.
std::string pipeFolder()
{
    return ::access("/tmp", R_OK | W_OK) == 0 ? "/tmp" : "/var/tmp";
}

// The pipe through which a LibreOffice with this profile takes the work of
// later starts: named after the MD5 of the profile's URL in UTF-16, its bytes
// in hex without leading zeros. A killed LibreOffice leaves it behind.
std::string officePipe(const std::string& profileUrl)
{
    std::string utf16;
    for (const char c : profileUrl)  // the URL is plain ASCII: fileUrl escapes the rest
        utf16 += c, utf16 += '\0';
    std::string name = pipeFolder() + "/OSL_PIPE_" + std::to_string(::getuid()) + "_SingleOfficeIPC_";
    static const char Hex[] = "0123456789abcdef";
    for (const unsigned char byte : md5(utf16)) {
        if (byte >> 4)
            name += Hex[byte >> 4];
        name += Hex[byte & 15];
    }
    return name;
}

// The LibreOffice kept running between conversions.
class KeptOffice {
public:
    enum class Start { Ready, Failed, TimedOut, Cancelled };

    KeptOffice() = default;
    ~KeptOffice()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
            stopLocked();
        }
        m_wake.notify_all();
        if (m_idle.joinable())
            m_idle.join();
    }
    KeptOffice(const KeptOffice&) = delete;
    KeptOffice& operator=(const KeptOffice&) = delete;

    // An instance of `program` ready to take conversions, started when none
    // runs; the conversion is marked under way until `release`.
    Start acquire(const std::string& program, Clock::time_point deadline)
    {
        const std::lock_guard lock(m_mutex);
        m_busy = true;
        if (m_leader > 0 && m_program == program && !endedLocked())
            return Start::Ready;
        stopLocked();
        const Start started = startLocked(program, deadline);
        if (started != Start::Ready)
            stopLocked();
        return started;
    }

    void release()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_busy = false;
            m_lastUse = Clock::now();
        }
        m_wake.notify_all();
    }

    void stop()
    {
        const std::lock_guard lock(m_mutex);
        stopLocked();
    }

    std::string profileUrl()
    {
        const std::lock_guard lock(m_mutex);
        return m_folder ? fileUrl(m_folder->path() + "/profile") : std::string();
    }

private:
    // Whether the instance has ended (cancelled, crashed or killed); it is then let go.
    bool endedLocked()
    {
        siginfo_t info {};
        if (::waitid(P_PID, id_t(m_leader), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != m_leader)
            return false;
        stopLocked();
        return true;
    }

    std::string pipePath() const
    {
        return pipeFolder() + "/OSL_PIPE_" + std::to_string(::getuid()) + "_" + m_pipeName;
    }

    Start startLocked(const std::string& program, Clock::time_point deadline)
    {
        if (!m_folder)
            m_folder = std::make_unique<OfficeFolder>();
        if (!m_folder->ok())
            return Start::Failed;
        // What the instance keeps open; a plain text file opens quickest.
        const std::string keep = m_folder->path() + "/keep.txt";
        std::ofstream(keep) << "\n";
        static std::atomic<unsigned> s_starts {0};
        // Named after the private folder, which no other program has: a pipe
        // a killed program left behind under a reused process id is not taken
        // for this instance's, and whatever stands under the name is cleared.
        m_pipeName = std::filesystem::path(m_folder->path()).filename().string() + "-" + std::to_string(++s_starts);
        ::unlink(pipePath().c_str());
        int lifeline[2] = {-1, -1};
        if (::pipe2(lifeline, O_CLOEXEC) != 0)
            return Start::Failed;
        // LibreOffice listens on a pipe of this name once it is ready; that is the sign to wait for.
        m_leader = spawnGroup({"/bin/sh", "-c", Lifeline, program,
                               "-env:UserInstallation=" + fileUrl(m_folder->path() + "/profile"), "--headless",
                               "--invisible", "--nologo", "--norestore", "--nolockcheck",
                               "--accept=pipe,name=" + m_pipeName + ";urp;", keep},
                              lifeline[0]);
        ::close(lifeline[0]);
        m_lifeline = lifeline[1];
        if (m_leader < 0)
            return Start::Failed;
        registerGroup(m_leader);
        m_program = program;
        m_lastUse = Clock::now();
        if (!m_idle.joinable())
            m_idle = std::thread([this] { idleLoop(); });

        for (;;) {
            struct stat info {};
            if (::stat(pipePath().c_str(), &info) == 0)
                return Start::Ready;
            if (cancelRequested())
                return Start::Cancelled;
            if (endedLocked())
                return Start::Failed;
            if (Clock::now() >= deadline)
                return Start::TimedOut;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void stopLocked()
    {
        if (m_leader > 0) {
            ::kill(-m_leader, SIGKILL);
            unregisterGroup(m_leader);
            int status = 0;
            while (::waitpid(m_leader, &status, 0) < 0 && errno == EINTR) {
            }
            m_leader = -1;
            // A killed LibreOffice leaves its pipes behind.
            ::unlink(pipePath().c_str());
            if (m_folder)
                ::unlink(officePipe(fileUrl(m_folder->path() + "/profile")).c_str());
        }
        if (m_lifeline >= 0) {
            ::close(m_lifeline);
            m_lifeline = -1;
        }
    }

    // Ends an instance that has had nothing to do for the idle time.
    void idleLoop()
    {
        std::unique_lock lock(m_mutex);
        while (!m_closing) {
            if (m_leader <= 0 || m_busy) {
                m_wake.wait(lock);
                continue;
            }
            const auto until = m_lastUse + seconds(idleSeconds());
            if (Clock::now() >= until)
                stopLocked();
            else
                m_wake.wait_until(lock, until);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_idle;
    std::unique_ptr<OfficeFolder> m_folder;  // the profile and the kept document
    std::string m_program;
    std::string m_pipeName;
    pid_t m_leader = -1;  // the lifeline shell, leader of the instance's process group
    int m_lifeline = -1;  // the module's end of the shell's input
    Clock::time_point m_lastUse;
    bool m_busy = false;
    bool m_closing = false;
};

// Lives as long as the module: unloading it ends the instance.
KeptOffice& keptOffice()
{
    // Statics end in the reverse order of their making, and the kept instance
    // unregisters its process group as it ends.
    prepareGroupList();
    static KeptOffice office;
    return office;
}

// One conversion at a time; LibreOffice does one at a time anyway.
std::mutex s_conversions;

// LibreOffice converts `input` with `filter` into `outFolder`: handed to the
// kept instance, or in a LibreOffice of its own when that cannot start.
int32_t runConversion(const std::string& program, const std::string& input, const std::string& filter,
                      const std::string& outFolder, const TempFolder& work)
{
    const auto deadline = Clock::now() + seconds(timeLimit(DefaultLimitSeconds));
    KeptOffice& kept = keptOffice();
    const KeptOffice::Start start = kept.acquire(program, deadline);
    struct Release {
        KeptOffice& kept;
        ~Release() { kept.release(); }
    } release{kept};
    if (start == KeptOffice::Start::Cancelled)
        return Cancelled;
    if (start == KeptOffice::Start::TimedOut)
        return TimedOut;
    const std::string profile =
        start == KeptOffice::Start::Ready ? kept.profileUrl() : fileUrl(work.path() + "/profile");
    const ToolRun run = runTool({program, "-env:UserInstallation=" + profile, "--headless", "--invisible", "--nologo",
                                 "--norestore", "--nolockcheck", "--convert-to", filter, "--outdir", outFolder, input},
                                secondsLeft(deadline), Output::Discard);
    if (run.status == ToolRun::Status::Cancelled)
        return Cancelled;
    if (run.status == ToolRun::Status::TimedOut || run.status != ToolRun::Status::Exited || run.exitCode != 0) {
        // An instance that did not answer in time may never answer; the next conversion starts afresh.
        kept.stop();
        return run.status == ToolRun::Status::TimedOut ? TimedOut : ToolFailed;
    }
    return Ok;
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
    case FileKind::StarWriter:
        return ".sxw";
    case FileKind::WordPerfect:
        return ".wpd";
    case FileKind::EncryptedOffice:
    case FileKind::Unknown:
        break;
    }
    return nullptr;
}

// Converts a copy of `source`, named document<extension> in a private folder,
// with the filter; on success `result` holds what LibreOffice wrote.
int32_t convertCopy(const std::string& program, const std::string& source, const std::string& extension,
                    const char* filter, const std::string& resultExtension, std::string& result)
{
    const std::lock_guard one(s_conversions);
    TempFolder folder;
    if (!folder.ok())
        return Internal;
    const std::string input = folder.path() + "/document" + extension;
    const std::string outFolder = folder.path() + "/out";
    std::error_code error;
    std::filesystem::copy_file(source, input, error);
    if (error)
        return CannotOpen;
    std::filesystem::create_directory(outFolder, error);
    if (error)
        return Internal;
    if (const int32_t status = runConversion(program, input, filter, outFolder, folder); status != Ok)
        return status;
    // soffice answers 0 even when it could not read the file: then it writes nothing.
    bool read = false;
    result = readFile(outFolder + "/document" + resultExtension, &read);
    if (!read)
        return Damaged;
    return result.empty() ? NothingWritten : Ok;
}

int32_t convert(const std::string& fileName, QpBlock* transfer, QpOutputCallback output)
{
    const FileKind kind = fileKind(fileName);
    if (kind == FileKind::Unknown)
        return WrongFileType;
    if (isPasswordProtected(fileName))
        return PasswordProtected;
    const char* extension = extensionOf(kind);
    if (!extension)
        return WrongFileType;
    const std::string program = soffice();
    if (program.empty())
        return NoTool;
    std::string rtf;
    if (const int32_t result = convertCopy(program, fileName, extension, "rtf", ".rtf", rtf); result != Ok)
        return result;
    if (rtf.compare(0, 5, "{\\rtf") != 0)
        return ToolFailed;
    return deliver(rtf, transfer, output);
}

struct ExportFormat {
    const char* filter;
    const char* extension;
};

const ExportFormat* exportFormat(int32_t format)
{
    static const ExportFormat docx {"docx:MS Word 2007 XML", ".docx"};
    static const ExportFormat odt {"odt:writer8", ".odt"};
    static const ExportFormat pdf {"pdf:writer_pdf_Export", ".pdf"};
    switch (format) {
    case QP_EXPORT_DOCX:
        return &docx;
    case QP_EXPORT_ODT:
        return &odt;
    case QP_EXPORT_PDF:
        return &pdf;
    default:
        return nullptr;
    }
}

// Puts the bytes in place of the target: written whole to a new file beside
// it and renamed over it, so that the target is either as it was or complete.
int32_t replaceFile(const std::string& bytes, const std::string& target)
{
    const std::filesystem::path targetPath(target);
    const std::string folder = targetPath.has_parent_path() ? targetPath.parent_path().string() : std::string(".");
    std::string temp = folder + "/." + targetPath.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return CannotOpen;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        ok = wrote > 0;
        if (ok)
            done += size_t(wrote);
    }
    // The mode an existing target has, else what a new file gets.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode = ::umask(0);
        ::umask(mode);
        mode = 0666 & ~mode;
    }
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && cancelRequested()) {
        ::unlink(temp.c_str());
        return Cancelled;
    }
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return CannotOpen;
    }
    return Ok;
}

int32_t exportRtf(const std::string& rtfFile, const std::string& target, int32_t format)
{
    const ExportFormat* chosen = exportFormat(format);
    if (!chosen)
        return WrongFileType;
    const std::string program = soffice();
    if (program.empty())
        return NoTool;
    std::string bytes;
    if (const int32_t result = convertCopy(program, rtfFile, ".rtf", chosen->filter, chosen->extension, bytes);
        result != Ok)
        return result;
    return replaceFile(bytes, target);
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

QP_CONVERTER_EXPORT int32_t RtfToForeign32(QpBlock* rtfFile, QpBlock* targetFile, int32_t format)
{
    try {
        if (!rtfFile)
            return soffice().empty() ? int32_t(NoTool) : int32_t(Ok);
        const WorkScope work;
        const int32_t result = exportRtf(blockText(rtfFile), blockText(targetFile), format);
        return cancelRequested() ? int32_t(Cancelled) : result;
    } catch (...) {
        return Internal;
    }
}
