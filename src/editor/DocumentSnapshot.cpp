#include "editor/DocumentSnapshot.h"

#include "editor/DocumentText.h"
#include "editor/RichEdit.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QTextDocument>

namespace qp {

DocumentSnapshot DocumentSnapshot::of(const RichEdit& editor)
{
    DocumentSnapshot snapshot;
    snapshot.rich = editor.textMode() == TextMode::Rich;
    snapshot.format = editor.textFileFormat();
    if (snapshot.rich)
        snapshot.content = DocumentContent::of(*editor.document());
    else
        snapshot.text = plainTextOf(*editor.document());
    return snapshot;
}

QByteArray DocumentSnapshot::encode() const
{
    if (!rich) {
        TextFileFormat own = format;
        if (!canEncode(text, own.encoding))
            own.encoding = TextEncoding::Utf8;
        return encodePlainText(text, own);
    }
    if (!content)
        return {};
    // Built here, on the thread that writes it.
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    DocumentBuilder builder(content, document, 0, content->characterCount() - 1);
    builder.appendAll();
    // A copy that came out another length is not the document: better none.
    if (document.characterCount() != content->characterCount())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    RtfWriter writer;
    if (!writer.write(&buffer, &document))
        return {};
    return bytes;
}

}  // namespace qp
