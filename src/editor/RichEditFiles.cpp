#include "editor/RichEdit.h"

#include "editor/DocumentText.h"
#include "platform/Errors.h"
#include "platform/FileSaving.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextDocument>

#include <optional>

// Loading and saving the control's document: RTF, or plain text in the remembered format.

namespace qp {

namespace {

const char* const kLoadFailed = "Failed to Load Stream";
const char* const kSaveFailed = "Failed to Save Stream";

// "Failed to Save Stream", then which file and what the system said.
QString saveFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("%1\r%2: %3").arg(QLatin1String(kSaveFailed), QDir::toNativeSeparators(path), reason);
}

}  // namespace

void RichEdit::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QString::fromLatin1(kLoadFailed));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QString::fromLatin1(kLoadFailed));
    file.close();
    loadBytes(std::move(bytes));
}

void RichEdit::loadBytes(QByteArray bytes)
{
    if (m_mode == TextMode::Rich && loadRichText(bytes))
        return;
    DecodedText decoded = decodePlainText(bytes);
    bytes = QByteArray();
    m_fileFormat = decoded.format;
    // Plain text has one paragraph format, that of the caret.
    const QTextBlockFormat carried = textCursor().blockFormat();
    if (carried.tabPositions().isEmpty() && (carried.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignLeft) == 0) {
        setPlainContent(decoded.text);
        return;
    }
    // Built in a document of its own, every new paragraph inherits the
    // format of the first, and the view lays out only what it shows; changing
    // the paragraphs in the shown document would lay them all out at once.
    LoadSetup setup = loadSetup();
    setup.mode = TextMode::Plain;
    LoadedDocument loaded;
    loaded.format = decoded.format;
    loaded.paragraph = setup.paragraph;
    loaded.characters = setup.characters;
    loaded.document = plainDocument(std::move(decoded.text), setup, {});
    showLoadedDocument(std::move(loaded));
}

RichEdit::LoadSetup RichEdit::loadSetup() const
{
    LoadSetup setup;
    setup.mode = m_mode;
    setup.document = documentSetup();
    // Plain text takes the alignment and tab stops of the caret's paragraph
    // (none when they are the defaults, as loadBytes leaves them), and its character format.
    const QTextBlockFormat carried = textCursor().blockFormat();
    if (!carried.tabPositions().isEmpty() || (carried.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignLeft) != 0) {
        setup.paragraph.setAlignment(carried.alignment());
        setup.paragraph.setTabPositions(carried.tabPositions());
    }
    setup.characters = currentCharFormat();
    return setup;
}

namespace {

std::unique_ptr<QTextDocument> emptyDocument(const RichEdit::DocumentSetup& setup)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(setup.font);
    doc->setDocumentMargin(setup.margin);
    doc->setDefaultTextOption(setup.option);
    return doc;
}

// Read on a worker, a document is shown and edited on the GUI thread.
void sendHome(QTextDocument& doc)
{
    if (QCoreApplication::instance() && doc.thread() != QCoreApplication::instance()->thread())
        doc.moveToThread(QCoreApplication::instance()->thread());
}

}  // namespace

std::unique_ptr<QTextDocument> RichEdit::plainDocument(QString text, const LoadSetup& setup, const LoadWatch& watch)
{
    std::unique_ptr<QTextDocument> doc = emptyDocument(setup.document);
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc.get());
    cursor.setBlockFormat(setup.paragraph);
    cursor.setBlockCharFormat(setup.characters);
    // In one piece: the document's text buffer then has the text's size,
    // where pieces would grow it by halves and hold a third more at the end.
    if (watch.stopped && watch.stopped())
        return nullptr;
    cursor.insertText(text, setup.characters);
    text = QString();
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    sendHome(*doc);
    return doc;
}

RichEdit::LoadedDocument RichEdit::readDocument(QByteArray bytes, const LoadSetup& setup, const LoadWatch& watch)
{
    LoadedDocument loaded;
    if (setup.mode == TextMode::Rich) {
        loaded.document = readRichDocument(bytes, setup.document, watch);
        if (loaded.document) {
            loaded.rich = true;
            return loaded;
        }
    }
    if (watch.stopped && watch.stopped())
        return loaded;
    DecodedText decoded = decodePlainText(bytes);
    bytes = QByteArray();
    loaded.format = decoded.format;
    loaded.paragraph = setup.paragraph;
    loaded.characters = setup.characters;
    loaded.document = plainDocument(std::move(decoded.text), setup, watch);
    return loaded;
}

void RichEdit::showLoadedDocument(LoadedDocument loaded)
{
    Q_ASSERT(loaded.document);
    QTextDocument* doc = loaded.document.release();
    if (!loaded.rich) {
        // As setPlainText does: the whole text in the caret's formats, as the
        // editor has them now, before the document is shown and laid out.
        const LoadSetup now = loadSetup();
        doc->setDefaultFont(now.document.font);
        if (now.paragraph != loaded.paragraph || now.characters != loaded.characters) {
            doc->setUndoRedoEnabled(false);
            QTextCursor all(doc);
            all.select(QTextCursor::Document);
            all.setBlockFormat(now.paragraph);
            all.setBlockCharFormat(now.characters);
            all.setCharFormat(now.characters);
            doc->setUndoRedoEnabled(true);
            doc->setModified(false);
        }
    }
    doc->setParent(this);
    adoptDocument(doc);
    if (loaded.rich) {
        // A caret of its own: the one before kept the format it typed with, and
        // text typed at the top takes the first paragraph's format.
        setTextCursor(QTextCursor(doc));
        m_fileFormat = TextFileFormat{};
    } else {
        m_fileFormat = loaded.format;
    }
    m_lastAnchor = m_lastPosition = -1;
    Q_EMIT editTextChanged();
    emitSelectionIfMoved();
}

bool RichEdit::loadRichText(const QByteArray& rtf)
{
    // Read into a document of its own, so a half-read stream never shows.
    std::unique_ptr<QTextDocument> doc = readRichDocument(rtf, documentSetup());
    if (!doc)
        return false;
    showRichDocument(std::move(doc));
    return true;
}

RichEdit::DocumentSetup RichEdit::documentSetup() const
{
    const QTextDocument* doc = document();
    return {doc->defaultFont(), doc->documentMargin(), doc->defaultTextOption()};
}

std::unique_ptr<QTextDocument> RichEdit::readRichDocument(const QByteArray& rtf, const DocumentSetup& setup,
                                                          const LoadWatch& watch)
{
    std::unique_ptr<QTextDocument> doc = emptyDocument(setup);
    QBuffer buffer;
    buffer.setData(rtf);
    buffer.open(QIODevice::ReadOnly);
    RtfReader reader;
    if (watch.percent || watch.stopped)
        reader.setWatch([&watch](int percent) {
            if (watch.percent)
                watch.percent(percent);
            return !(watch.stopped && watch.stopped());
        });
    if (!reader.read(&buffer, doc.get()))
        return nullptr;
    doc->setUndoRedoEnabled(false);
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    sendHome(*doc);
    return doc;
}

void RichEdit::showRichDocument(std::unique_ptr<QTextDocument> document)
{
    QTextDocument* doc = document.release();
    doc->setParent(this);
    adoptDocument(doc);
    // A caret of its own: the one before kept the format it typed with, and
    // text typed at the top takes the first paragraph's format.
    setTextCursor(QTextCursor(doc));
    m_fileFormat = TextFileFormat{};
    m_lastAnchor = m_lastPosition = -1;
    Q_EMIT editTextChanged();
    emitSelectionIfMoved();
}

bool RichEdit::hasMixedFormatting() const
{
    const QTextDocument* doc = document();
    const QTextBlock first = doc->firstBlock();
    const QTextBlockFormat paragraph = first.blockFormat();
    std::optional<QTextCharFormat> characters;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        if (block.blockFormat() != paragraph || block.textList())
            return true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!characters)
                characters = format;
            else if (format != *characters)
                return true;
        }
    }
    return false;
}

QByteArray RichEdit::richText() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    RtfWriter writer;
    if (!writer.write(&buffer, document()))
        return {};
    return buffer.data();
}

QByteArray RichEdit::saveFile(const QString& path)
{
    QByteArray bytes;
    TextFileFormat format = m_fileFormat;
    QString fallback;
    if (m_mode == TextMode::Plain) {
        const QString plain = plainTextOf(*document());
        if (!canEncode(plain, format.encoding)) {
            const TextEncoding wanted = format.encoding;
            format.encoding = canEncode(plain, TextEncoding::Utf8) ? TextEncoding::Utf8 : TextEncoding::Utf16LE;
            fallback = QStringLiteral("The text holds characters that %1 cannot represent.\rThe file was saved as %2.")
                           .arg(encodingName(wanted), encodingName(format.encoding));
        }
        bytes = encodePlainText(plain, format);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        RtfWriter writer;
        if (!writer.write(&buffer, document()))
            throw AppError(saveFailure(path, writer.errorString()));
    }

    QString reason;
    if (!saveFileSafely(path, bytes, &reason))
        throw AppError(saveFailure(path, reason));

    if (!fallback.isEmpty()) {
        m_fileFormat = format;
        Q_EMIT encodingFallback(fallback);
    }
    return bytes;
}

}  // namespace qp
