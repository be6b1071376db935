#include "app/document/Converters.h"

#include "platform/MessageService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QScopeGuard>

#include <cstring>
#include <vector>

namespace qp {

namespace {

const QString InitFailedMessage = QStringLiteral("Please report: InitConverter failed");

constexpr qsizetype StreamPreset = 0x80000;

// A zero-filled block that the program owns for the length of one call.
class Block {
public:
    explicit Block(size_t size) : m_bytes(size, 0), m_block{m_bytes.data(), m_bytes.size()} {}
    // Room for the text twice over and its terminator; an empty text takes one byte.
    static Block holding(const QByteArray& text)
    {
        Block block(text.isEmpty() ? 1 : size_t(text.size()) * 2 + 1);
        std::memcpy(block.m_bytes.data(), text.constData(), size_t(text.size()));
        return block;
    }
    Block(Block&& other) noexcept : m_bytes(std::move(other.m_bytes)), m_block{m_bytes.data(), m_bytes.size()} {}
    QpBlock* get() { return &m_block; }

private:
    std::vector<unsigned char> m_bytes;
    QpBlock m_block;
};

// The RTF coming out of the converter, grown by a quarter whenever a piece
// would reach its end.
struct ResultStream {
    QByteArray bytes = QByteArray(StreamPreset, '\0');
    qsizetype position = 0;
    const QpBlock* transfer = nullptr;
    bool overrun = false;
    const std::atomic<bool>* cancelled = nullptr;
    const std::function<void(int)>* percent = nullptr;
};

// The converter calls back without a context, so the import under way is
// found here. Conversions run one at a time, each wholly on one thread, which
// need not be the main one: the mutex keeps a second from starting meanwhile.
std::mutex s_conversion;
std::atomic<ResultStream*> s_current = nullptr;

int32_t receiveOutput(int32_t count, int32_t percent)
{
    ResultStream* stream = s_current.load();
    if (!stream)
        return 0;
    if (stream->cancelled->load())
        return 1;
    if (*stream->percent)
        (*stream->percent)(percent);
    if (count <= 0)
        return 0;
    // More than the transfer block holds would read past it.
    if (size_t(count) > stream->transfer->size) {
        stream->overrun = true;
        return 1;
    }
    while (stream->position + count >= stream->bytes.size())
        stream->bytes.resize(stream->bytes.size() + stream->bytes.size() / 4);
    std::memcpy(stream->bytes.data() + stream->position, stream->transfer->bytes, size_t(count));
    stream->position += count;
    return 0;
}


}  // namespace

Converters::Converters(QString folder) : m_folder(std::move(folder)) {}

Converters::~Converters()
{
    release();
}

bool Converters::available() const
{
    for (const char* converter : WordConverters) {
        const QString name = QString::fromLatin1(converter);
        if (QFileInfo::exists(m_folder.isEmpty() ? name : QDir(m_folder).filePath(name)))
            return true;
    }
    return false;
}

bool Converters::isLoaded() const
{
    return m_library && m_library->isLoaded();
}

void Converters::release()
{
    m_init = nullptr;
    m_isFormatCorrect = nullptr;
    m_foreignToRtf = nullptr;
    m_cancel = nullptr;
    if (m_library) {
        m_library->unload();
        m_library.reset();
    }
}

bool Converters::load(const QString& converter)
{
    const QString path = m_folder.isEmpty() ? converter : QDir(m_folder).filePath(converter);
    // The converter that is loaded stays: unloading it would end what it keeps
    // running for the next file (LibreOffice, for one).
    if (m_library && m_library->isLoaded() && m_loadedPath == path)
        return true;
    release();
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load())
        return false;
    m_init = reinterpret_cast<QpInitConverter32>(library->resolve(QP_INIT_CONVERTER));
    m_isFormatCorrect = reinterpret_cast<QpIsFormatCorrect32>(library->resolve(QP_IS_FORMAT_CORRECT));
    m_foreignToRtf = reinterpret_cast<QpForeignToRtf32>(library->resolve(QP_FOREIGN_TO_RTF));
    m_cancel = reinterpret_cast<QpCancelConverter32>(library->resolve(QP_CANCEL_CONVERTER));
    m_library = std::move(library);
    m_loadedPath = path;
    return true;
}

bool Converters::isFormatCorrect(const QByteArray& fileName, const Caller& caller)
{
    const QByteArray programPath = QFile::encodeName(caller.programPath.toUpper());
    if (!m_init || m_init(uintptr_t(caller.window), programPath.constData()) == 0) {
        caller.messages.plain(InitFailedMessage);
        return false;
    }
    Block name = Block::holding(fileName);
    Block className = Block::holding({});
    return m_isFormatCorrect && m_isFormatCorrect(name.get(), className.get()) != 0;
}

Converters::Result::Status Converters::open(const QString& fileName, const QString& converter, const Caller& caller)
{
    m_cancelled = false;
    try {
        if (!load(converter))
            return Result::Status::Missing;
        if (!isFormatCorrect(QFile::encodeName(fileName), caller))
            return Result::Status::NotRecognised;
        return Result::Status::Converted;
    } catch (...) {
        return Result::Status::NotRecognised;
    }
}

Converters::Result Converters::run(const QString& fileName, const std::function<void(int)>& percent)
{
    Result result;
    result.status = Result::Status::Failed;
    result.code = QP_RESULT_INTERNAL;
    try {
        const std::lock_guard oneAtATime(s_conversion);
        Block subset = Block::holding({});
        Block className = Block::holding({});
        Block name = Block::holding(QFile::encodeName(fileName));
        Block transfer(QP_TRANSFER_SIZE + 1);
        ResultStream stream;
        stream.transfer = transfer.get();
        stream.cancelled = &m_cancelled;
        stream.percent = &percent;
        s_current = &stream;
        const auto done = qScopeGuard([] { s_current = nullptr; });
        result.code = m_foreignToRtf
            ? m_foreignToRtf(name.get(), nullptr, transfer.get(), className.get(), subset.get(), &receiveOutput)
            : QP_RESULT_INTERNAL;
        if (m_cancelled.load()) {
            result.status = Result::Status::Cancelled;
            return result;
        }
        if (result.code != 0 || stream.overrun) {
            if (result.code == 0)
                result.code = QP_RESULT_INTERNAL;
            return result;
        }
        stream.bytes.truncate(stream.position);
        // Nothing, or something that is not RTF, would open as an empty or
        // garbled document that a save then writes over the Word file.
        if (!stream.bytes.startsWith("{\\rtf")) {
            result.code = QP_RESULT_NOTHING_WRITTEN;
            return result;
        }
        result.rtf = std::move(stream.bytes);
        result.status = Result::Status::Converted;
    } catch (...) {
        result.rtf.clear();
    }
    return result;
}

void Converters::cancel()
{
    m_cancelled = true;
    if (m_cancel)
        m_cancel();
}

Converters::Result Converters::convert(const QString& fileName, const QString& converter, const Caller& caller)
{
    Result result;
    result.status = open(fileName, converter, caller);
    if (result.status != Result::Status::Converted)
        return result;
    return run(fileName);
}

}  // namespace qp
