#include "editor/RichEdit.h"

#include "editor/DocumentText.h"
#include "editor/EditBlock.h"
#include "editor/HiddenTextLook.h"
#include "editor/RichEditLayout.h"
#include "editor/RichEditPageRenderer.h"
#include "platform/Fonts.h"

#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace qp {

namespace {

// Search text is cut into pieces of this many characters, so no search ever
// copies the whole text.
constexpr int kFindChunk = 1 << 16;
// Edits larger than this leave their line counts to the idle slices.
constexpr int kSyncRefreshBlocks = 2000;

// The document's characters in [from, to) with CR LF for each paragraph
// break, read run by run: a long selection costs its length only.
QString programTextOf(const QTextDocument& doc, int from, int to)
{
    QString text;
    if (from >= to)
        return text;
    text.reserve(qsizetype(to - from) + (to - from) / 16);
    forEachTextRun(doc, from, to, [&](int, QStringView run, int) {
        for (qsizetype next = run.indexOf(QChar::ParagraphSeparator); next >= 0;
             next = run.indexOf(QChar::ParagraphSeparator)) {
            text += run.first(next);
            text += QLatin1String("\r\n");
            run = run.sliced(next + 1);
        }
        text += run;
    });
    return text;
}

bool isWordCharacter(QChar c)
{
    return c.isLetter() || c.isDigit();
}

}  // namespace

RichEdit::RichEdit(QWidget* parent) : QTextEdit(parent)
{
    m_layoutTimer.setSingleShot(true);
    m_layoutTimer.setInterval(0);
    connect(&m_layoutTimer, &QTimer::timeout, this, [this] { layoutSlice(); });
    setObjectName(QStringLiteral("RichEdit1"));
    setTabChangesFocus(false);
    setUndoRedoEnabled(true);
    setAcceptRichText(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setViewportMargins(m_inset);
    // The inset around the text area shows the text background, as the text does.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    // The selection stays visible when the control loses the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    installFontSubstitutes();
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    // Kerning and ligatures of Latin text cost a third of the layout of a long
    // document; scripts that need shaping still get it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(font);

    // A bare Insert switches between inserting and overwriting, as the
    // typing-mode panel counts it, so the panel and the typing agree; Ctrl+Ins
    // and Shift+Ins are Copy and Paste and leave the mode alone.
    connect(this, &RichEdit::keyDown, this, [this](int key, Qt::KeyboardModifiers modifiers) {
        if (isTypingModeKey(key, modifiers))
            setOverwriteMode(!overwriteMode());
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] { onCursorMoved(); });
    connect(this, &QTextEdit::selectionChanged, this, [this] { onCursorMoved(); });

    prepareDocument(document());
    document()->setDocumentMargin(0);
    adoptDocument(document());
}

RichEdit::~RichEdit() = default;

// ---------------------------------------------------------------- documents

void RichEdit::prepareDocument(QTextDocument* doc) const
{
    if (doc == document())
        return;
    doc->setDefaultFont(document()->defaultFont());
    doc->setDocumentMargin(document()->documentMargin());
    doc->setDefaultTextOption(document()->defaultTextOption());
    doc->setUndoRedoEnabled(true);
}

void RichEdit::adoptDocument(QTextDocument* doc)
{
    // Before the document is shown, so that no paragraph is laid out with
    // its hidden text showing.
    m_hiddenText = hasHiddenText(doc);
    if (m_hiddenText) {
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            lookUpHiddenText(block);
    }
    QPointer<QTextDocument> old = document();
    if (doc != old) {
        setDocument(doc);
        if (old && old->parent() == this)
            delete old;
    }
    connect(doc, &QTextDocument::contentsChange, this, &RichEdit::onContentsChange, Qt::UniqueConnection);
    connect(doc, &QTextDocument::contentsChanged, this, &RichEdit::onContentsChanged, Qt::UniqueConnection);
    m_textChangePending = false;
    releaseRenderCache();
    chooseLayout();
    restartLineTracking();
}

bool RichEdit::usesOwnLayout() const
{
    return qobject_cast<const RichEditLayout*>(document()->documentLayout()) != nullptr;
}

void RichEdit::chooseLayout()
{
    QTextDocument* doc = document();
    const bool own = RichEditLayout::suits(doc);
    if (own == usesOwnLayout())
        return;
    const bool pending = m_textChangePending;
    // Qt's layout comes back by itself once the document has none.
    RichEditLayout* layout = own ? new RichEditLayout(doc) : nullptr;
    if (layout)
        layout->setDecorator(m_decorator);
    doc->setDocumentLayout(layout);
    doc->documentLayout();
    // The switch announces the whole text as changed, without the end of the change.
    m_textChangePending = pending;
    restartLineTracking();
}

void RichEdit::setParagraphDecorator(const ParagraphDecorator* decorator)
{
    m_decorator = decorator;
    if (auto* layout = qobject_cast<RichEditLayout*>(document()->documentLayout()))
        layout->setDecorator(decorator);
    viewport()->update();
}

void RichEdit::setPlainContent(const QString& text)
{
    // setPlainText keeps the insertion format and clears the undo history,
    // as loading a file should.
    setPlainText(text);
    m_hiddenText = false;
    chooseLayout();
}

void RichEdit::clearText()
{
    setPlainContent(QString());
    // Nothing of the text that was here carries over to what is typed next:
    // not its colour, strike-out or paragraph layout.
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    QTextCursor(doc).setBlockFormat(QTextBlockFormat());
    QTextCursor(doc).setBlockCharFormat(QTextCharFormat());
    doc->setUndoRedoEnabled(true);
    setCurrentCharFormat(QTextCharFormat());
    m_fileFormat = TextFileFormat{};
}

QString RichEdit::text() const
{
    return programText(0, textLength());
}

void RichEdit::setText(const QString& text)
{
    setPlainContent(text);
}

int RichEdit::textLength() const
{
    const QTextDocument* doc = document();
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

void RichEdit::setTextMode(TextMode mode)
{
    m_mode = mode;
    setAcceptRichText(mode == TextMode::Rich);
}

// ---------------------------------------------------------------- positions

QTextBlock RichEdit::blockAtPosition(int pos) const
{
    // The block holding a program position is the last one whose start,
    // document position + block number, is not past it. Guess the document
    // position from the average break density, then correct by the number of
    // breaks ahead of the block found: on texts of ordinary paragraphs that
    // settles in two or three look-ups; bisection bounds the rest.
    const QTextDocument* doc = document();
    const int docLength = doc->characterCount() - 1;
    const int lastBlock = doc->blockCount() - 1;
    const int total = docLength + lastBlock;
    pos = std::clamp(pos, 0, total);
    int lo = 0;
    int hi = lastBlock;
    const qint64 breaksBefore = total > 0 ? qint64(pos) * lastBlock / total : 0;
    QTextBlock block = doc->findBlock(std::clamp(int(pos - breaksBefore), 0, docLength));
    for (int step = 0;; ++step) {
        const int n = block.blockNumber();
        const int start = block.position() + n;
        int guess = 0;
        if (pos < start) {
            hi = n - 1;
            guess = pos - hi;
        } else if (n == lastBlock || pos <= start + block.length()) {
            return block;  // up to and including the LF of its break
        } else {
            lo = n + 1;
            guess = pos - lo;
        }
        if (lo >= hi)
            return doc->findBlockByNumber(std::clamp(std::min(lo, hi), 0, lastBlock));
        block = doc->findBlock(std::clamp(guess, 0, docLength));
        const int found = block.blockNumber();
        if (step >= 4 || found < lo || found > hi)
            block = doc->findBlockByNumber(lo + (hi - lo) / 2);
    }
}

int RichEdit::toDocumentPosition(int pos, bool roundUp) const
{
    pos = std::clamp(pos, 0, textLength());
    const QTextBlock block = blockAtPosition(pos);
    const int offset = pos - block.position() - block.blockNumber();
    const int textLength = block.length() - 1;
    if (offset <= textLength)
        return block.position() + offset;
    // Between CR and LF of a paragraph break.
    return roundUp ? block.position() + block.length() : block.position() + textLength;
}

int RichEdit::fromDocumentPosition(int docPos) const
{
    const QTextDocument* doc = document();
    docPos = std::clamp(docPos, 0, doc->characterCount() - 1);
    return docPos + doc->findBlock(docPos).blockNumber();
}

QString RichEdit::programText(int from, int to, int* textStart) const
{
    const int a = toDocumentPosition(from);
    const int b = toDocumentPosition(std::max(from, to), true);
    if (textStart)
        *textStart = fromDocumentPosition(a);
    if (a >= b)
        return {};
    return programTextOf(*document(), a, b);
}

// ---------------------------------------------------------------- selection

int RichEdit::selStart() const
{
    return fromDocumentPosition(textCursor().selectionStart());
}

int RichEdit::selLength() const
{
    const QTextCursor cursor = textCursor();
    return fromDocumentPosition(cursor.selectionEnd()) - fromDocumentPosition(cursor.selectionStart());
}

void RichEdit::setSelStart(int pos)
{
    setSelection(pos, 0);
}

void RichEdit::setSelLength(int length)
{
    setSelection(selStart(), length);
}

void RichEdit::setSelection(int start, int length)
{
    const int total = textLength();
    start = std::clamp(start, 0, total);
    const int end = int(std::clamp<qint64>(qint64(start) + std::max(0, length), start, total));
    QTextCursor cursor(document());
    cursor.setPosition(toDocumentPosition(start));
    if (end > start)
        cursor.setPosition(toDocumentPosition(end, true), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichEdit::selText() const
{
    const QTextCursor cursor = textCursor();
    return programTextOf(*document(), cursor.selectionStart(), cursor.selectionEnd());
}

void RichEdit::replaceSelection(const QString& text)
{
    QTextCursor cursor = textCursor();
    {
        EditBlock block(cursor);
        cursor.insertText(text);
        if (!text.isEmpty())
            document()->appendUndoItem(new UndoBarrier);
    }
    setTextCursor(cursor);
}

bool RichEdit::changeSelectedCharacters(const QString& text)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    struct Change {
        int position;
        QString text;
        int format;
    };
    std::vector<Change> changes;
    qsizetype at = 0;  // in `text`, where paragraph breaks are CR LF
    bool shaped = true;
    forEachTextRun(*document(), start, end, [&](int position, QStringView run, int format) {
        if (!shaped)
            return;
        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype i = 0; i < run.size(); ++i) {
            if (run[i] == QChar::ParagraphSeparator) {
                if (at + 1 >= text.size() || text[at] != u'\r' || text[at + 1] != u'\n') {
                    shaped = false;
                    return;
                }
                at += 2;
                continue;
            }
            if (at >= text.size() || text[at] == u'\r' || text[at] == u'\n' || text[at] == QChar::ParagraphSeparator) {
                shaped = false;
                return;
            }
            if (text[at] != run[i]) {
                if (first < 0)
                    first = i;
                last = i;
            }
            ++at;
        }
        if (first >= 0) {
            const qsizetype from = at - (run.size() - first);
            changes.push_back({position + int(first), text.mid(from, last - first + 1), format});
        }
    });
    if (!shaped || at != text.size())
        return false;
    if (changes.empty())
        return true;
    const QList<QTextFormat> formats = document()->allFormats();
    {
        EditBlock block(cursor);
        // From the end, so that the places still to change stay where they were.
        QTextCursor edit(document());
        for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
            edit.setPosition(change->position);
            edit.setPosition(change->position + int(change->text.size()), QTextCursor::KeepAnchor);
            edit.insertText(change->text, formats.at(change->format).toCharFormat());
        }
        document()->appendUndoItem(new UndoBarrier);
    }
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    return true;
}

void RichEdit::selectAllText()
{
    selectAll();
}

void RichEdit::deleteSelection()
{
    QTextCursor cursor = textCursor();
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

bool RichEdit::canUndo() const
{
    return document()->isUndoAvailable();
}

void RichEdit::clearUndo()
{
    document()->clearUndoRedoStacks();
}

void RichEdit::undo()
{
    QTextEdit::undo();
    emitSelectionIfMoved();
}

void RichEdit::redo()
{
    QTextEdit::redo();
    emitSelectionIfMoved();
}

void RichEdit::beginUndoStep()
{
    // The caret's cursor, so that undoing the step puts the caret back there.
    textCursor().beginEditBlock();
}

void RichEdit::endUndoStep()
{
    QTextCursor(document()).endEditBlock();
}

int RichEdit::undoSteps() const
{
    return document()->availableUndoSteps();
}

int RichEdit::revision() const
{
    return document()->revision();
}

void RichEdit::takeBackLastStep()
{
    const int start = selStart();
    const int length = selLength();
    // The document's own undo leaves the editor's cursor alone; the editor's would collapse the selection.
    document()->undo();
    setSelection(start, length);
}

UndoStep::UndoStep(RichEdit& editor) : m_editor(editor)
{
    m_editor.beginUndoStep();
}

UndoStep::~UndoStep()
{
    m_editor.endUndoStep();
}

int RichEdit::findText(const QString& what, int start, int length, FindOptions options) const
{
    const qsizetype m = what.size();
    const int total = textLength();
    if (m == 0 || length <= 0)
        return -1;
    start = std::clamp(start, 0, total);
    const qint64 end = std::min<qint64>(total, qint64(start) + length);
    const Qt::CaseSensitivity cs = options.testFlag(FindOption::MatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWord = options.testFlag(FindOption::WholeWord);

    // Matches start in [pos, last]; each piece also holds one character on
    // either side for the whole-word test.
    qint64 pos = start;
    while (pos + m <= end) {
        const qint64 last = std::min<qint64>(end - m, pos + kFindChunk);
        int pieceStart = 0;
        const QString piece = programText(int(std::max<qint64>(0, pos - 1)),
                                          int(std::min<qint64>(total, last + m + 1)), &pieceStart);
        qsizetype from = pos - pieceStart;
        while (true) {
            const qsizetype i = piece.indexOf(what, from, cs);
            if (i < 0 || pieceStart + i > last)
                break;
            const qint64 q = pieceStart + i;
            const bool before = q == 0 || !isWordCharacter(piece.at(i - 1));
            const bool after = q + m >= total || !isWordCharacter(piece.at(i + m));
            if (!wholeWord || (before && after))
                return int(q);
            from = i + 1;
        }
        pos = last + 1;
    }
    return -1;
}

// ---------------------------------------------------------------- notifications

void RichEdit::onContentsChange(int from, int removed, int added)
{
    Q_UNUSED(removed);
    m_textChangePending = true;
    // The layout lays the changed paragraphs out after this.
    if (m_hiddenText) {
        const QTextBlock end = document()->findBlock(from + added).next();
        for (QTextBlock block = document()->findBlock(from); block.isValid() && block != end; block = block.next())
            lookUpHiddenText(block);
    }
    if (!tracksLines())
        return;
    const QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    const int delta = blocks - m_lines.paragraphCount();
    const QTextBlock first = doc->findBlock(from);
    QTextBlock last = doc->findBlock(from + added);
    if (!last.isValid())
        last = doc->lastBlock();
    const int b0 = first.isValid() ? first.blockNumber() : 0;
    const int newCount = last.blockNumber() - b0 + 1;
    const int oldCount = newCount - delta;
    if (oldCount < 1 || b0 + oldCount > m_lines.paragraphCount()) {
        m_lines.reset(blocks);
        m_pendingFirst = 0;
        m_pendingLast = blocks - 1;
    } else {
        m_lines.replace(b0, oldCount, newCount);
        m_pendingFirst = m_pendingFirst < 0 ? b0 : std::min(m_pendingFirst, b0);
        m_pendingLast = std::max(m_pendingLast, b0 + newCount - 1);
    }
}

void RichEdit::onContentsChanged()
{
    m_textChangePending = false;
    releaseRenderCache();
    if (usesOwnLayout() && !RichEditLayout::suits(document()))
        chooseLayout();
    if (tracksLines() && m_pendingFirst >= 0) {
        // The document has laid out what it could of the edit by now.
        if (m_pendingLast - m_pendingFirst < kSyncRefreshBlocks)
            refreshLines(m_pendingFirst, std::min(m_pendingLast, document()->blockCount() - 1));
        m_pendingFirst = m_pendingLast = -1;
        if (m_lines.hasUnknown()) {
            m_layoutComplete = false;
            scheduleLayoutSlice();
        }
    }
    Q_EMIT editTextChanged();
    emitSelectionIfMoved();
}

void RichEdit::onCursorMoved()
{
    if (!m_textChangePending)
        emitSelectionIfMoved();
}

void RichEdit::emitSelectionIfMoved()
{
    const QTextCursor cursor = textCursor();
    if (cursor.anchor() == m_lastAnchor && cursor.position() == m_lastPosition)
        return;
    m_lastAnchor = cursor.anchor();
    m_lastPosition = cursor.position();
    Q_EMIT editSelectionChanged();
}

// ---------------------------------------------------------------- view

QColor RichEdit::backgroundColor() const
{
    return palette().color(QPalette::Active, QPalette::Base);
}

void RichEdit::setBackgroundColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

bool RichEdit::wordWrap() const
{
    return lineWrapMode() != QTextEdit::NoWrap;
}

void RichEdit::setWordWrap(bool on)
{
    if (on == wordWrap())
        return;
    setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    chooseLayout();
    restartLineTracking();
}

void RichEdit::setScrollBars(ScrollBars bars)
{
    m_scrollBars = bars;
    const Qt::ScrollBarPolicy policy = bars == ScrollBars::Both ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void RichEdit::setTextInset(const QMargins& inset)
{
    m_inset = inset;
    setViewportMargins(inset);
}

int RichEdit::firstVisibleLine() const
{
    // One pixel down: the line scrolled to the top starts on a whole pixel at or above it.
    const int docPos = cursorForPosition(QPoint(0, 1)).position();
    return lineFromChar(fromDocumentPosition(docPos));
}

void RichEdit::scrollLines(int count)
{
    const int target = std::clamp(firstVisibleLine() + count, 0, std::max(0, lineCount() - 1));
    const int pos = lineIndex(target);
    if (pos < 0)
        return;
    const int docPos = toDocumentPosition(pos);
    const QTextBlock block = document()->findBlock(docPos);
    const QRectF rect = document()->documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineForTextPosition(docPos - block.position());
    const qreal y = rect.top() + (line.isValid() ? line.y() : 0);
    verticalScrollBar()->setValue(qCeil(y));
}

QPoint RichEdit::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void RichEdit::setScrollPosition(const QPoint& position)
{
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

QPoint RichEdit::caretPosition() const
{
    return cursorRect().topLeft() + viewport()->geometry().topLeft();
}

// ---------------------------------------------------------------- printing

int RichEdit::renderPage(QPainter& painter, const QRectF& pageRect, int start, int end)
{
    return layoutPage(&painter, *painter.device(), pageRect, start, end);
}

int RichEdit::measurePage(QPaintDevice& device, const QRectF& pageRect, int start, int end)
{
    return layoutPage(nullptr, device, pageRect, start, end);
}

int RichEdit::layoutPage(QPainter* painter, QPaintDevice& device, const QRectF& pageRect, int start, int end)
{
    const int docStart = toDocumentPosition(start);
    const int docEnd = toDocumentPosition(std::max(start, end), true);
    if (docStart >= docEnd)
        return fromDocumentPosition(docEnd);
    if (!m_renderer || !m_renderer->matches(docStart, docEnd)) {
        // A new job or a new range: copy from here to the end of the range.
        m_renderer = std::make_unique<RichEditPageRenderer>(*document(), docStart, docEnd);
        m_renderBase = docStart;
    }
    const int next = m_renderer->render(painter, device, pageRect, docStart - m_renderBase);
    return fromDocumentPosition(m_renderBase + next);
}

void RichEdit::releaseRenderCache()
{
    m_renderer.reset();
}

}  // namespace qp
