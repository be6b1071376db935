#pragma once

#include <QAbstractUndoItem>
#include <QTextCursor>

namespace qp {

// A step that changes nothing. Closing a command's edit block with it keeps
// the text typed next out of the command's undo step: the document merges an
// insertion into the step before it when that step ends with an insertion.
class UndoBarrier final : public QAbstractUndoItem {
public:
    void undo() override {}
    void redo() override {}
};

// One undo step for everything done while it lives.
class EditBlock {
public:
    explicit EditBlock(QTextCursor& cursor) : m_cursor(cursor) { m_cursor.beginEditBlock(); }
    ~EditBlock() { m_cursor.endEditBlock(); }
    EditBlock(const EditBlock&) = delete;
    EditBlock& operator=(const EditBlock&) = delete;

private:
    QTextCursor& m_cursor;
};

}  // namespace qp
