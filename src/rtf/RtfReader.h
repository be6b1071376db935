#pragma once

#include <QString>

class QIODevice;
class QTextDocument;

namespace qp {

// Reads RTF bytes into a document. Never throws; on failure read() returns
// false and errorString() says why.
class RtfReader {
public:
    bool read(QIODevice* device, QTextDocument* document);
    QString errorString() const { return m_error; }

private:
    QString m_error;
};

}  // namespace qp
