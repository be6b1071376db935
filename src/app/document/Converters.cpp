#include "app/document/Converters.h"

#include "platform/MessageService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>
#include <QLibrary>

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
};

// The converter calls back without a context, so the import under way is
// found here. Conversions run one at a time on the main thread.
ResultStream* s_current = nullptr;

int32_t receiveOutput(int32_t count, int32_t /*percent*/)
{
    ResultStream* stream = s_current;
    if (!stream || count <= 0)
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

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

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

std::optional<QByteArray> Converters::foreignToRtf(const QByteArray& fileName)
{
    Block subset = Block::holding({});
    Block className = Block::holding({});
    Block name = Block::holding(fileName);
    Block transfer(QP_TRANSFER_SIZE + 1);
    const BusyCursor busy;
    ResultStream stream;
    stream.transfer = transfer.get();
    s_current = &stream;
    const int32_t result = m_foreignToRtf
        ? m_foreignToRtf(name.get(), nullptr, transfer.get(), className.get(), subset.get(), &receiveOutput)
        : -1;
    s_current = nullptr;
    if (result != 0 || stream.overrun)
        return std::nullopt;
    stream.bytes.truncate(stream.position);
    return std::move(stream.bytes);
}

std::optional<QByteArray> Converters::convert(const QString& fileName, const QString& converter, const Caller& caller)
{
    try {
        if (!load(converter))
            return std::nullopt;
        const QByteArray name = QFile::encodeName(fileName);
        if (!isFormatCorrect(name, caller))
            return std::nullopt;
        std::optional<QByteArray> rtf = foreignToRtf(name);
        // Nothing, or something that is not RTF, would open as an empty or
        // garbled document that a save then writes over the Word file.
        if (!rtf || !rtf->startsWith("{\\rtf"))
            return std::nullopt;
        return rtf;
    } catch (...) {
        s_current = nullptr;
        return std::nullopt;
    }
}

}  // namespace qp
