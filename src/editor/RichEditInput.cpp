#include "editor/RichEdit.h"

#include "editor/DocumentText.h"
#include "editor/EditBlock.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>

// Keys, mouse and clipboard: what the user's hands do to the control.

namespace qp {

namespace {

Qt::KeyboardModifiers keyModifiers(const QKeyEvent* event)
{
    return event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

}  // namespace

void RichEdit::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyDown(event->key(), event->modifiers());
    if (handleFormattingKey(event)) {
        event->accept();
        return;
    }
    if (typeCharacters(event)) {
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

bool RichEdit::handleFormattingKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = keyModifiers(event);
    const int key = event->key();
    if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_1:
            setLineHeight(100);
            return true;
        case Qt::Key_5:
            setLineHeight(150);
            return true;
        case Qt::Key_2:
            setLineHeight(200);
            return true;
        case Qt::Key_Equal:
            toggleVerticalAlignment(QTextCharFormat::AlignSubScript);
            return true;
        default:
            return false;
        }
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        switch (key) {
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            toggleVerticalAlignment(QTextCharFormat::AlignSuperScript);
            return true;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            m_smartQuotes = !m_smartQuotes;
            return true;
        default:
            return false;
        }
    }
    return false;
}

void RichEdit::setLineHeight(int percent)
{
    if (isReadOnly())
        return;
    QTextCursor cursor = textCursor();
    EditBlock block(cursor);
    QTextBlockFormat format;
    format.setLineHeight(percent, QTextBlockFormat::ProportionalHeight);
    cursor.mergeBlockFormat(format);
}

void RichEdit::toggleVerticalAlignment(int alignment)
{
    if (isReadOnly())
        return;
    const auto wanted = static_cast<QTextCharFormat::VerticalAlignment>(alignment);
    QTextCharFormat format;
    format.setVerticalAlignment(currentCharFormat().verticalAlignment() == wanted ? QTextCharFormat::AlignNormal
                                                                                 : wanted);
    mergeCurrentCharFormat(format);
}

QChar RichEdit::smartQuote(QChar typed) const
{
    const QTextCursor cursor = textCursor();
    const int pos = cursor.selectionStart();
    const QTextBlock block = document()->findBlock(pos);
    const QChar before = pos > block.position() ? document()->characterAt(pos - 1) : QChar(QChar::Space);
    const bool opening = before.isSpace() || QStringLiteral("([{<\u201C\u2018").contains(before);
    if (typed == QLatin1Char('"'))
        return opening ? QChar(0x201C) : QChar(0x201D);
    return opening ? QChar(0x2018) : QChar(0x2019);
}

bool RichEdit::typeCharacters(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = keyModifiers(event);
    const int key = event->key();
    QString typed;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        typed = QChar(mods.testFlag(Qt::ControlModifier) ? '\n' : '\r');
    else if (key == Qt::Key_Backspace && !(mods & (Qt::ControlModifier | Qt::AltModifier)))
        typed = QChar('\b');
    else if (!event->text().isEmpty() && event->text().at(0).isPrint())
        typed = event->text();
    if (typed.isEmpty())
        return false;

    QString kept;
    for (const QChar c : std::as_const(typed)) {
        bool swallow = false;
        Q_EMIT characterTyped(c, &swallow);
        if (!swallow)
            kept += c;
    }
    if (kept.isEmpty())
        return true;

    const QChar c = kept.at(0);
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
        // Every Enter makes a paragraph break, never a line break inside one.
        if (!isReadOnly()) {
            QTextCursor cursor = textCursor();
            cursor.insertBlock();
            setTextCursor(cursor);
            ensureCursorVisible();
        }
        return true;
    }
    if (m_smartQuotes && kept.size() == 1 && (c == QLatin1Char('"') || c == QLatin1Char('\''))) {
        if (!isReadOnly()) {
            QTextCursor cursor = textCursor();
            overwriteNext(cursor, 1);
            cursor.insertText(QString(smartQuote(c)));
            setTextCursor(cursor);
            ensureCursorVisible();
        }
        return true;
    }
    if (kept == typed)
        return false;  // the control types them itself
    if (!isReadOnly()) {
        QTextCursor cursor = textCursor();
        overwriteNext(cursor, int(kept.size()));
        cursor.insertText(kept);
        setTextCursor(cursor);
    }
    return true;
}

// In overwrite mode typed characters replace those after the caret, up to the
// end of the paragraph, as the control does with the keys it types itself.
void RichEdit::overwriteNext(QTextCursor& cursor, int count) const
{
    if (!overwriteMode() || cursor.hasSelection())
        return;
    for (int i = 0; i < count && !cursor.atBlockEnd(); ++i)
        cursor.deleteChar();
}

void RichEdit::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = viewport()->mapTo(this, event->position().toPoint());
    Q_EMIT mouseDown(event->button(), position, event->modifiers());
    QTextEdit::mousePressEvent(event);
}

void RichEdit::changeEvent(QEvent* event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        restartLineTracking();
}

void RichEdit::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    if (tracksLines())
        checkLayoutWidth();
}

namespace {

// Writing the HTML of a long selection takes far longer than copying it, and
// only a paste of rich text asks for it: it is written then, from a copy of
// the selection taken at once.
class SelectionMimeData final : public QMimeData {
public:
    explicit SelectionMimeData(const QTextCursor& selection) : m_fragment(selection) {}

    bool hasFormat(const QString& mimeType) const override
    {
        return mimeType == htmlType() || QMimeData::hasFormat(mimeType);
    }

    QStringList formats() const override
    {
        QStringList list = QMimeData::formats();
        if (!list.contains(htmlType()))
            list.prepend(htmlType());
        return list;
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        if (mimeType != htmlType())
            return QMimeData::retrieveData(mimeType, type);
        if (!m_written) {
            m_html = m_fragment.toHtml();
            m_written = true;
        }
        return m_html;
    }

private:
    static QString htmlType() { return QStringLiteral("text/html"); }

    QTextDocumentFragment m_fragment;
    mutable QString m_html;
    mutable bool m_written = false;
};

}  // namespace

QMimeData* RichEdit::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    // A plain-text document has nothing for HTML to carry.
    auto* data = m_mode == TextMode::Rich ? new SelectionMimeData(cursor) : new QMimeData;
    // As the control's own copy does, no-break spaces go out as spaces.
    data->setText(plainTextOf(*document(), cursor.selectionStart(), cursor.selectionEnd()).replace(QChar::Nbsp, QLatin1Char(' ')));
    return data;
}

bool RichEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasText() || QTextEdit::canInsertFromMimeData(source);
}

void RichEdit::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly())
        return;
    QTextDocumentFragment fragment;
    if (m_mode == TextMode::Rich && source->hasHtml()) {
        // Keep formatting, but not tables, frames or images: the document
        // holds flat paragraphs only.
        fragment = QTextDocumentFragment::fromHtml(source->html(), document());
        QTextDocument probe;
        QTextCursor(&probe).insertFragment(fragment);
        if (!probe.rootFrame()->childFrames().isEmpty() || probe.toRawText().contains(QChar::ObjectReplacementCharacter))
            fragment = QTextDocumentFragment();
    }
    if (fragment.isEmpty() && !source->hasText())
        return;
    QTextCursor cursor = textCursor();
    {
        // A paste is an undo step of its own, apart from the typing around it.
        EditBlock block(cursor);
        if (!fragment.isEmpty())
            cursor.insertFragment(fragment);
        else
            cursor.insertText(source->text());
        document()->appendUndoItem(new UndoBarrier);
    }
    setTextCursor(cursor);
    ensureCursorVisible();
}

}  // namespace qp
