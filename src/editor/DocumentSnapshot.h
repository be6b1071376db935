#pragma once

#include "editor/PlainText.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QTextDocument;

namespace qp {

class RichEdit;
enum class TextMode;

// The document as it stood at one moment, taken on the GUI thread at the
// cost of a copy, then encoded as a save would write it on any thread.
struct DocumentSnapshot {
    // A rich document is cloned; a plain one is only its text.
    std::shared_ptr<QTextDocument> document;
    QString text;
    bool rich = true;
    TextFileFormat format;

    static DocumentSnapshot of(const RichEdit& editor);
    // RTF, or the text in its own format (UTF-8 where that cannot hold it).
    // The document must belong to the calling thread.
    QByteArray encode() const;
    QString extension() const { return rich ? QStringLiteral("rtf") : QStringLiteral("txt"); }
};

}  // namespace qp
