#pragma once

#include "editor/DocumentContent.h"
#include "editor/PlainText.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace qp {

class RichEdit;
enum class TextMode;

// The document as it stood at one moment, taken on the GUI thread in one
// quick pass that copies no text, then encoded as a save would write it on
// any thread.
struct DocumentSnapshot {
    // A rich document's content; a plain one is only its text.
    std::shared_ptr<const DocumentContent> content;
    QString text;
    bool rich = true;
    TextFileFormat format;

    static DocumentSnapshot of(const RichEdit& editor);
    // RTF, or the text in its own format (UTF-8 where that cannot hold it).
    QByteArray encode() const;
    QString extension() const { return rich ? QStringLiteral("rtf") : QStringLiteral("txt"); }
};

}  // namespace qp
