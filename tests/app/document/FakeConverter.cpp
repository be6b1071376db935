// Converters that misbehave on purpose, one library per FAKE_ kind, for the
// loader's tests. Each is copied into a test's converter folder under the
// file name the program asks for.
#include "ConverterAbi.h"

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

[[maybe_unused]] std::string g_programPath;

[[maybe_unused]] std::string text(const QpBlock* block)
{
    return block && block->bytes ? std::string(reinterpret_cast<const char*>(block->bytes)) : std::string();
}

[[maybe_unused]] int32_t send(const std::string& rtf, QpBlock* transfer, QpOutputCallback output)
{
    for (size_t done = 0; done < rtf.size();) {
        const size_t count = std::min<size_t>(QP_TRANSFER_SIZE, rtf.size() - done);
        std::memcpy(transfer->bytes, rtf.data() + done, count);
        done += count;
        if (output(int32_t(count), int32_t(done * 100 / rtf.size())) != 0)
            return -5;
    }
    return 0;
}

// The blocks as the program promises them: text blocks of 2 x length + 1
// bytes, zero-terminated; empty ones of 1 byte; a transfer block of 4097.
[[maybe_unused]] bool blocksAsPromised(const QpBlock* fileName, const void* storage, const QpBlock* transfer,
                      const QpBlock* className, const QpBlock* subset)
{
    const size_t length = std::strlen(reinterpret_cast<const char*>(fileName->bytes));
    return length > 0 && fileName->size == 2 * length + 1 && storage == nullptr && transfer->size == QP_TRANSFER_SIZE + 1
           && className->size == 1 && className->bytes[0] == 0 && subset->size == 1 && subset->bytes[0] == 0;
}

// The numbered paragraphs of a document far past the stream's preset 512 KiB.
[[maybe_unused]] std::string bigDocument()
{
    std::string rtf = "{\\rtf1 ";
    char line[128];
    for (int i = 0; i < 8000; ++i) {
        std::snprintf(line, sizeof line, "P%05d %s\\par\n", i,
                      "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
        rtf += line;
    }
    return rtf + "END}";
}

// The tool a slow converter waits for, in a process group of its own as the
// real converters run theirs; 0 while none runs.
[[maybe_unused]] std::atomic<pid_t> g_tool{0};
[[maybe_unused]] std::atomic<bool> g_cancelled{false};

}  // namespace

#ifdef FAKE_Slow
// Kills the tool's whole group; ForeignToRtf32 then answers "cancelled".
EXPORT void CancelConverter32()
{
    g_cancelled = true;
    if (const pid_t tool = g_tool.load(); tool > 0)
        kill(-tool, SIGKILL);
}
#endif

#ifndef FAKE_NoEntries

EXPORT int32_t InitConverter32(uintptr_t, const char* programPath)
{
    g_programPath = programPath ? programPath : "";
#ifdef FAKE_InitFails
    return 0;
#else
    return 1;
#endif
}

EXPORT int32_t IsFormatCorrect32(QpBlock* fileName, QpBlock* className)
{
#ifdef FAKE_Unknown
    (void)fileName;
    (void)className;
    return 0;
#else
    return !text(fileName).empty() && className->size == 1 ? 1 : 0;
#endif
}

#ifndef FAKE_NoConversion
EXPORT int32_t ForeignToRtf32(QpBlock* fileName, void* storage, QpBlock* transfer, QpBlock* className,
                              QpBlock* subset, QpOutputCallback output)
{
    if (!blocksAsPromised(fileName, storage, transfer, className, subset))
        return -20;
#if defined(FAKE_Echo)
    // What the converter was told: the program's path, then the file's name.
    return send("{\\rtf1 " + g_programPath + "\\par " + text(fileName) + "}", transfer, output);
#elif defined(FAKE_Big)
    // Far past the stream's preset 512 KiB, numbered so that a lost piece shows.
    return send(bigDocument(), transfer, output);
#elif defined(FAKE_Slow)
    // "sleep QP_FAKE_SLEEP" (default 30 seconds) stands for a slow tool; then the big document.
    g_cancelled = false;
    const char* seconds = std::getenv("QP_FAKE_SLEEP");
    std::string duration = seconds ? seconds : "30";
    char sleepName[] = "sleep";
    char* const arguments[] = {sleepName, duration.data(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t tool = 0;
    const int spawned = posix_spawnp(&tool, "sleep", nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return -2;
    g_tool = tool;
    int status = 0;
    while (waitpid(tool, &status, 0) < 0 && errno == EINTR) {
    }
    g_tool = 0;
    if (g_cancelled)
        return -5;
    return send(bigDocument(), transfer, output);
#elif defined(FAKE_RESULT)
    (void)output;
    return FAKE_RESULT;
#elif defined(FAKE_Error)
    send("{\\rtf1 half a docu", transfer, output);
    return -2;
#elif defined(FAKE_Empty)
    (void)output;
    return 0;
#elif defined(FAKE_NotRtf)
    return send("Just some words.", transfer, output);
#elif defined(FAKE_Overrun)
    std::memcpy(transfer->bytes, "{\\rtf1 x}", 9);
    return output(int32_t(transfer->size) + 1000, 50) == 0 ? 0 : -5;
#else
    (void)output;
    return -30;
#endif
}
#endif

#else

EXPORT int32_t SomethingElse32()
{
    return 1;
}

#endif
