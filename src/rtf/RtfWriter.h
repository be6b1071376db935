#pragma once

#include <QString>

class QIODevice;
class QTextDocument;

namespace qp {

// Writes a document as RTF. Never throws; on failure write() returns false
// and errorString() says why.
class RtfWriter {
public:
    bool write(QIODevice* device, const QTextDocument* document);
    QString errorString() const { return m_error; }

private:
    QString m_error;
};

}  // namespace qp
