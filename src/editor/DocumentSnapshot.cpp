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
        snapshot.document.reset(editor.document()->clone());
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    RtfWriter writer;
    if (!document || !writer.write(&buffer, document.get()))
        return {};
    return bytes;
}

}  // namespace qp
