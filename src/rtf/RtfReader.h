#pragma once

#include <QString>

#include <functional>

class QIODevice;
class QTextDocument;

namespace qp {

// Reads RTF bytes into a document. Never throws; on failure read() returns
// false and errorString() says why.
class RtfReader {
public:
    bool read(QIODevice* device, QTextDocument* document);
    QString errorString() const { return m_error; }
    // Told now and then how far the reading is, 0 to 100; answering false
    // stops it, and read() answers false with a half-filled document.
    void setWatch(std::function<bool(int percent)> watch) { m_watch = std::move(watch); }

private:
    QString m_error;
    std::function<bool(int)> m_watch;
};

}  // namespace qp
