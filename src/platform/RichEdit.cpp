#include "platform/RichEdit.h"

#include "platform/DocumentText.h"
#include "platform/Errors.h"
#include "platform/Fonts.h"
#include "platform/RichEditLayout.h"
#include "platform/RichEditPageRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QAbstractUndoItem>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
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

// Paragraph lengths: the document keeps them in 1/96 inch, the program in points.
constexpr qreal kPixelsPerPoint = 96.0 / 72.0;

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

Qt::KeyboardModifiers keyModifiers(const QKeyEvent* event)
{
    return event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

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

    // Insert switches between inserting and overwriting on every press, as the
    // typing-mode panel counts them, so the panel and the typing agree.
    connect(this, &RichEdit::keyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Insert)
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
    doc->setDocumentLayout(own ? new RichEditLayout(doc) : nullptr);
    doc->documentLayout();
    // The switch announces the whole text as changed, without the end of the change.
    m_textChangePending = pending;
    restartLineTracking();
}

void RichEdit::setPlainContent(const QString& text)
{
    // setPlainText keeps the insertion format and clears the undo history,
    // as loading a file should.
    setPlainText(text);
    chooseLayout();
}

void RichEdit::clearText()
{
    setPlainContent(QString());
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

// ---------------------------------------------------------------- keys and mouse

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

// ---------------------------------------------------------------- attributes

namespace {

QFont resolvedFont(const QTextCharFormat& format, const QFont& base)
{
    return format.font().resolve(base);
}

qreal pointSize(const QFont& font, const QWidget* widget)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() * 72.0 / widget->logicalDpiY();
}

FontStyles stylesOf(const QFont& font)
{
    FontStyles styles;
    styles.setFlag(FontStyle::Bold, font.weight() > QFont::Medium);
    styles.setFlag(FontStyle::Italic, font.italic());
    styles.setFlag(FontStyle::Underline, font.underline());
    styles.setFlag(FontStyle::StrikeOut, font.strikeOut());
    return styles;
}

QColor colorOf(const QTextCharFormat& format)
{
    // No brush is the automatic colour, as the painter and the RTF writer take it.
    return format.foreground().style() != Qt::NoBrush ? format.foreground().color() : QColor();
}

}  // namespace

CharFormat RichEdit::selectionCharFormat() const
{
    const QFont base = document()->defaultFont();
    const QTextCursor cursor = textCursor();
    CharFormat result;
    result.uniform = CharAttributes(0x7F);

    auto describe = [&](const QTextCharFormat& format) {
        const QFont font = resolvedFont(format, base);
        CharFormat f;
        f.fontName = font.family();
        f.sizePoints = pointSize(font, this);
        f.styles = stylesOf(font);
        f.color = colorOf(format);
        return f;
    };

    if (!cursor.hasSelection()) {
        const CharFormat f = describe(currentCharFormat());
        result.fontName = f.fontName;
        result.sizePoints = f.sizePoints;
        result.styles = f.styles;
        result.color = f.color;
        return result;
    }

    bool first = true;
    // Asked after every command, also with the whole of a long text
    // selected: each format is looked at once.
    const QList<QTextFormat> formats = document()->allFormats();
    QSet<int> seen;
    forEachTextRun(*document(), cursor.selectionStart(), cursor.selectionEnd(), [&](int, QStringView run, int index) {
        if (seen.contains(index))
            return;
        // Paragraph breaks carry the paragraph's format, not the text's.
        if (std::all_of(run.begin(), run.end(), [](QChar c) { return c == QChar::ParagraphSeparator; }))
            return;
        seen.insert(index);
        const CharFormat f = describe(formats.at(index).toCharFormat());
        if (first) {
            result.fontName = f.fontName;
            result.sizePoints = f.sizePoints;
            result.styles = f.styles;
            result.color = f.color;
            first = false;
            return;
        }
        result.uniform.setFlag(CharAttribute::Name, result.uniform.testFlag(CharAttribute::Name) && f.fontName == result.fontName);
        result.uniform.setFlag(CharAttribute::Size, result.uniform.testFlag(CharAttribute::Size) && qFuzzyCompare(f.sizePoints, result.sizePoints));
        for (const auto& [style, attribute] : {std::pair{FontStyle::Bold, CharAttribute::Bold},
                                              std::pair{FontStyle::Italic, CharAttribute::Italic},
                                              std::pair{FontStyle::Underline, CharAttribute::Underline},
                                              std::pair{FontStyle::StrikeOut, CharAttribute::StrikeOut}}) {
            result.uniform.setFlag(attribute, result.uniform.testFlag(attribute) &&
                                                  f.styles.testFlag(style) == result.styles.testFlag(style));
        }
        result.uniform.setFlag(CharAttribute::Color, result.uniform.testFlag(CharAttribute::Color) && f.color == result.color);
    });
    if (first) {  // only paragraph breaks selected
        const CharFormat f = describe(cursor.charFormat());
        result.fontName = f.fontName;
        result.sizePoints = f.sizePoints;
        result.styles = f.styles;
        result.color = f.color;
    }
    return result;
}

void RichEdit::setSelectionCharFormat(const CharFormat& format, CharAttributes which)
{
    QTextCharFormat f;
    // An empty name (a face name being typed afresh) keeps the face.
    if (which.testFlag(CharAttribute::Name) && !format.fontName.isEmpty())
        f.setFontFamilies(QStringList{format.fontName});
    if (which.testFlag(CharAttribute::Size))
        f.setFontPointSize(std::max<qreal>(1, format.sizePoints));
    if (which.testFlag(CharAttribute::Bold))
        f.setFontWeight(format.styles.testFlag(FontStyle::Bold) ? QFont::Bold : QFont::Normal);
    if (which.testFlag(CharAttribute::Italic))
        f.setFontItalic(format.styles.testFlag(FontStyle::Italic));
    if (which.testFlag(CharAttribute::Underline))
        f.setFontUnderline(format.styles.testFlag(FontStyle::Underline));
    if (which.testFlag(CharAttribute::StrikeOut))
        f.setFontStrikeOut(format.styles.testFlag(FontStyle::StrikeOut));
    if (which.testFlag(CharAttribute::Color))
        f.setForeground(format.color.isValid() ? QBrush(format.color) : QBrush());
    mergeCurrentCharFormat(f);
}

ParagraphFormat RichEdit::selectionParagraphFormat() const
{
    const QTextCursor cursor = textCursor();
    QTextCursor first(document());
    // Asked from a focus or selection notification in the middle of an undo,
    // the cursor may not have settled yet.
    first.setPosition(std::clamp(cursor.selectionStart(), 0, document()->characterCount() - 1));
    const QTextBlockFormat format = first.blockFormat();
    ParagraphFormat result;
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignRight)
        result.alignment = ParagraphAlignment::Right;
    else if (align & Qt::AlignHCenter)
        result.alignment = ParagraphAlignment::Center;
    result.firstIndent = (format.leftMargin() + format.textIndent()) / kPixelsPerPoint;
    result.leftIndent = -format.textIndent() / kPixelsPerPoint;
    result.rightIndent = format.rightMargin() / kPixelsPerPoint;
    result.bullet = first.currentList() != nullptr;
    const QList<QTextOption::Tab> tabs = format.tabPositions();
    for (const QTextOption::Tab& tab : tabs)
        result.tabStops.append(tab.position / kPixelsPerPoint);
    return result;
}

void RichEdit::setSelectionParagraphFormat(const ParagraphFormat& format, ParagraphAttributes which)
{
    if (isReadOnly())
        return;
    QTextCursor cursor = textCursor();
    EditBlock edit(cursor);
    const QTextBlock firstBlock = document()->findBlock(cursor.selectionStart());
    const QTextBlock lastBlock = document()->findBlock(cursor.selectionEnd());
    for (QTextBlock block = firstBlock; block.isValid(); block = block.next()) {
        QTextBlockFormat f = block.blockFormat();
        if (which.testFlag(ParagraphAttribute::Alignment)) {
            f.setAlignment(format.alignment == ParagraphAlignment::Right    ? Qt::AlignRight
                           : format.alignment == ParagraphAlignment::Center ? Qt::AlignHCenter
                                                                            : Qt::AlignLeft);
        }
        qreal firstIndent = (f.leftMargin() + f.textIndent()) / kPixelsPerPoint;
        qreal leftIndent = -f.textIndent() / kPixelsPerPoint;
        if (which.testFlag(ParagraphAttribute::FirstIndent))
            firstIndent = format.firstIndent;
        if (which.testFlag(ParagraphAttribute::LeftIndent))
            leftIndent = format.leftIndent;
        if (which & (ParagraphAttribute::FirstIndent | ParagraphAttribute::LeftIndent)) {
            // Text cannot start left of the edge: a first line asked to go
            // further stops there, and the other lines still move with it
            // as far as the edge allows.
            const qreal otherLines = std::max<qreal>(0, firstIndent + leftIndent);
            firstIndent = std::max<qreal>(0, firstIndent);
            leftIndent = otherLines - firstIndent;
            f.setLeftMargin((firstIndent + leftIndent) * kPixelsPerPoint);
            f.setTextIndent(-leftIndent * kPixelsPerPoint);
        }
        if (which.testFlag(ParagraphAttribute::RightIndent))
            f.setRightMargin(std::max<qreal>(0, format.rightIndent) * kPixelsPerPoint);
        if (which.testFlag(ParagraphAttribute::TabStops)) {
            QList<QTextOption::Tab> tabs;
            for (const qreal stop : format.tabStops) {
                if (stop > 0)
                    tabs.append(QTextOption::Tab(stop * kPixelsPerPoint, QTextOption::LeftTab));
            }
            f.setTabPositions(tabs);
        }
        QTextCursor blockCursor(block);
        blockCursor.setBlockFormat(f);
        if (which.testFlag(ParagraphAttribute::Bullet)) {
            QTextList* list = block.textList();
            if (format.bullet && !list) {
                blockCursor.createList(QTextListFormat::ListDisc);
            } else if (!format.bullet && list) {
                list->remove(block);
                QTextBlockFormat plain = block.blockFormat();
                plain.setIndent(0);
                blockCursor.setBlockFormat(plain);
            }
        }
        if (block == lastBlock)
            break;
    }
}

// ---------------------------------------------------------------- view

QString RichEdit::defaultFontName() const
{
    return document()->defaultFont().family();
}

qreal RichEdit::defaultFontSize() const
{
    return pointSize(document()->defaultFont(), this);
}

void RichEdit::setDefaultFontName(const QString& name)
{
    if (name.isEmpty())
        return;
    QFont f = document()->defaultFont();
    f.setFamilies(QStringList{name});
    setFont(f);
}

void RichEdit::setDefaultFontSize(qreal points)
{
    QFont f = document()->defaultFont();
    f.setPointSizeF(std::max<qreal>(1, points));
    setFont(f);
}

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

QPoint RichEdit::caretPosition() const
{
    return cursorRect().topLeft() + viewport()->geometry().topLeft();
}

// ---------------------------------------------------------------- printing

int RichEdit::renderPage(QPainter& painter, const QRectF& pageRect, int start, int end)
{
    const int docStart = toDocumentPosition(start);
    const int docEnd = toDocumentPosition(std::max(start, end), true);
    if (docStart >= docEnd)
        return fromDocumentPosition(docEnd);
    if (!m_renderer || !m_renderer->matches(docStart, docEnd, painter.device(), pageRect.width())) {
        // A new job or a new range: copy from here to the end of the range.
        m_renderer = std::make_unique<RichEditPageRenderer>(*document(), docStart, docEnd);
        m_renderBase = docStart;
    }
    const int next = m_renderer->render(painter, pageRect, docStart - m_renderBase);
    return fromDocumentPosition(m_renderBase + next);
}

void RichEdit::releaseRenderCache()
{
    m_renderer.reset();
}

}  // namespace qp
