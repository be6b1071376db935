#pragma once

#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace qp::test {

// What a print job and a recovery copy were made from before snapshots: a
// clone of the document with the text outside [from, to) cut away.
inline std::unique_ptr<QTextDocument> cutClone(const QTextDocument& source, int from, int to)
{
    std::unique_ptr<QTextDocument> copy(source.clone());
    QTextCursor cursor(copy.get());
    cursor.setPosition(to);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setPosition(0);
    cursor.setPosition(from, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    return copy;
}

}  // namespace qp::test
