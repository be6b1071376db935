#include "platform/rtf/RtfWriter.h"

#include <QIODevice>
#include <QTextDocument>

namespace qp {

// Placeholder until the real writer lands: the text alone.
bool RtfWriter::write(QIODevice* device, const QTextDocument* document)
{
    QByteArray out = "{\\rtf1\\ansi ";
    const QString text = document->toPlainText();
    for (QChar c : text) {
        if (c == QLatin1Char('\n'))
            out += "\\par\n";
        else if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
            out += '\\' + QByteArray(1, char(c.unicode()));
        else if (c.unicode() < 128)
            out += char(c.unicode());
        else
            out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    out += "}";
    if (device->write(out) != out.size()) {
        m_error = device->errorString();
        return false;
    }
    return true;
}

}  // namespace qp
