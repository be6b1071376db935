// Converters that misbehave on purpose, one library per FAKE_ kind, for the
// loader's tests. Each is copied into a test's converter folder under the
// file name the program asks for.
#include "ConverterAbi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

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

}  // namespace

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
    std::string rtf = "{\\rtf1 ";
    char line[128];
    for (int i = 0; i < 8000; ++i) {
        std::snprintf(line, sizeof line, "P%05d %s\\par\n", i,
                      "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
        rtf += line;
    }
    rtf += "END}";
    return send(rtf, transfer, output);
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
