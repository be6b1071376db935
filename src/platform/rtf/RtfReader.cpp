#include "platform/rtf/RtfReader.h"

#include <QIODevice>
#include <QTextDocument>

namespace qp {

// Placeholder until the real reader lands: recognises nothing.
bool RtfReader::read(QIODevice* device, QTextDocument* document)
{
    Q_UNUSED(device);
    Q_UNUSED(document);
    m_error = QStringLiteral("RTF reading is not available yet");
    return false;
}

}  // namespace qp
