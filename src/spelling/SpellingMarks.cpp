#include "spelling/SpellingMarks.h"

#include "editor/RichEdit.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellingWords.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QTextBlockUserData>
#include <QTextDocument>

#include <algorithm>

namespace qp {

namespace {

// Typing runs on undisturbed; the check follows when the writer pauses.
constexpr int PauseMillis = 300;
constexpr int ScrollMillis = 30;
// One idle slice: short enough that a key pressed meanwhile is not held up.
constexpr qint64 SliceMillis = 8;

// The marks of one paragraph, kept with it so that they follow it through
// edits above it; the document never writes them anywhere.
struct BlockMarks final : QTextBlockUserData {
    int revision = -1;
    int length = -1;
    int generation = 0;
    QList<WordSpan> misspelt;
    // Offsets of an edit whose words are to be checked again; -1 for none.
    int dirtyFrom = -1;
    int dirtyTo = -1;
};

BlockMarks* marksOf(const QTextBlock& block)
{
    return dynamic_cast<BlockMarks*>(block.userData());
}

}  // namespace

SpellingMarks::SpellingMarks(RichEdit& editor, SpellChecker& checker, QObject* parent)
    : QObject(parent), m_editor(editor), m_editorAlive(&editor), m_checker(checker), m_format(markFormat())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!checkSlice(SliceMillis))
            schedule(0);
    });
    connect(&m_editor, &QTextEdit::cursorPositionChanged, this, &SpellingMarks::onCursorMoved);
    connect(m_editor.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { schedule(ScrollMillis); });
    connect(m_editor.horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { schedule(ScrollMillis); });
    // A load puts a new document in the editor; its changes are followed from then on.
    connect(&m_editor, &RichEdit::editTextChanged, this, [this] {
        connect(m_editor.document(), &QTextDocument::contentsChange, this, &SpellingMarks::onContentsChange,
                Qt::UniqueConnection);
        schedule(PauseMillis);
    });
    connect(m_editor.document(), &QTextDocument::contentsChange, this, &SpellingMarks::onContentsChange,
            Qt::UniqueConnection);
    m_viewport = m_editor.viewport();
    m_viewport->installEventFilter(this);
}

SpellingMarks::~SpellingMarks()
{
    if (m_editorAlive && m_editor.paragraphDecorator() == this)
        m_editor.setParagraphDecorator(nullptr);
}

QTextCharFormat SpellingMarks::markFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

void SpellingMarks::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    m_editor.setParagraphDecorator(on ? this : nullptr);
    if (on)
        recheck();
    else
        m_timer.stop();
}

void SpellingMarks::recheck()
{
    ++m_generation;
    schedule(0);
}

void SpellingMarks::checkVisibleNow()
{
    m_timer.stop();
    while (m_enabled && !checkSlice(1000)) {
    }
}

void SpellingMarks::schedule(int delay)
{
    if (!m_enabled)
        return;
    // A pause after typing wins over a sooner slice: the timer starts again.
    if (delay > 0 || !m_timer.isActive() || m_timer.interval() == 0)
        m_timer.start(delay);
}

bool SpellingMarks::eventFilter(QObject* watched, QEvent* event)
{
    // The viewport is known from the start: while the editor is being
    // destroyed its children still send events, and the editor is no longer one.
    if (watched == m_viewport && event->type() == QEvent::Resize)
        schedule(ScrollMillis);
    return QObject::eventFilter(watched, event);
}

void SpellingMarks::onContentsChange(int from, int removed, int added)
{
    if (!m_enabled || sender() != m_editor.document())
        return;
    m_typedAt = from + added;
    QTextBlock block = m_editor.document()->findBlock(from);
    BlockMarks* marks = marksOf(block);
    if (!marks)
        return;
    const int offset = from - block.position();
    // An edit inside the paragraph moves its marks along; anything else
    // (paragraphs split or joined) has the paragraph checked afresh.
    if (marks->generation != m_generation || marks->length - removed + added != block.length()
        || offset + added >= block.length()) {
        block.setUserData(nullptr);
        schedule(PauseMillis);
        return;
    }
    QList<WordSpan> kept;
    for (const WordSpan& w : std::as_const(marks->misspelt)) {
        if (w.end() < offset)
            kept.append(w);
        else if (w.start > offset + removed)
            kept.append({w.start + added - removed, w.length});
    }
    marks->misspelt = kept;
    marks->dirtyFrom = marks->dirtyFrom < 0 ? offset : std::min(marks->dirtyFrom, offset);
    marks->dirtyTo = std::max(marks->dirtyTo < 0 ? 0 : marks->dirtyTo + added - removed, offset + added);
    marks->revision = block.revision();
    marks->length = block.length();
    schedule(PauseMillis);
}

void SpellingMarks::onCursorMoved()
{
    if (m_typedAt < 0 || m_editor.textCursor().position() == m_typedAt)
        return;
    // The caret left the word it typed: that word is checked now.
    const QTextBlock block = m_editor.document()->findBlock(m_typedAt);
    if (BlockMarks* marks = marksOf(block)) {
        const int offset = m_typedAt - block.position();
        marks->dirtyFrom = marks->dirtyFrom < 0 ? offset : std::min(marks->dirtyFrom, offset);
        marks->dirtyTo = std::max(marks->dirtyTo, offset);
    }
    m_typedAt = -1;
    schedule(ScrollMillis);
}

bool SpellingMarks::needsCheck(const QTextBlock& block) const
{
    const BlockMarks* marks = marksOf(block);
    return !marks || marks->generation != m_generation || marks->revision != block.revision()
           || marks->length != block.length() || marks->dirtyFrom >= 0;
}

bool SpellingMarks::isTypedWord(const QTextBlock& block, int start, int end) const
{
    Q_UNUSED(start);
    return m_typedAt >= 0 && block.position() + end == m_typedAt && m_editor.textCursor().position() == m_typedAt;
}

void SpellingMarks::checkBlock(QTextBlock& block)
{
    BlockMarks* marks = marksOf(block);
    const bool partly = marks && marks->generation == m_generation && marks->revision == block.revision()
                        && marks->length == block.length() && marks->dirtyFrom >= 0;
    const QString text = block.text();
    QList<WordSpan> misspelt;
    if (partly) {
        for (const WordSpan& w : std::as_const(marks->misspelt)) {
            if (w.end() < marks->dirtyFrom || w.start > marks->dirtyTo)
                misspelt.append(w);
        }
    }
    for (const WordSpan& w : checkableWords(text)) {
        if (partly && (w.end() < marks->dirtyFrom || w.start > marks->dirtyTo))
            continue;
        if (isTypedWord(block, w.start, w.end()))
            continue;
        if (!m_checker.check(text.mid(w.start, w.length)))
            misspelt.append(w);
    }
    std::sort(misspelt.begin(), misspelt.end(), [](const WordSpan& a, const WordSpan& b) { return a.start < b.start; });
    if (!marks) {
        marks = new BlockMarks;
        block.setUserData(marks);
    }
    marks->misspelt = misspelt;
    marks->revision = block.revision();
    marks->length = block.length();
    marks->generation = m_generation;
    marks->dirtyFrom = marks->dirtyTo = -1;
}

bool SpellingMarks::checkSlice(qint64 budgetMillis)
{
    if (!m_enabled || !m_editor.isVisible())
        return true;
    QElapsedTimer clock;
    clock.start();
    const QRect area = m_editor.viewport()->rect();
    QTextBlock block = m_editor.cursorForPosition(area.topLeft()).block();
    const QTextBlock last = m_editor.cursorForPosition(area.bottomRight()).block();
    bool changed = false;
    bool done = true;
    for (; block.isValid(); block = block.next()) {
        if (block.isVisible() && needsCheck(block)) {
            if (clock.elapsed() >= budgetMillis) {
                done = false;
                break;
            }
            checkBlock(block);
            changed = true;
        }
        if (block == last)
            break;
    }
    if (changed)
        m_editor.viewport()->update();
    return done;
}

void SpellingMarks::decorate(const QTextBlock& block, QList<QTextLayout::FormatRange>& formats) const
{
    const BlockMarks* marks = marksOf(block);
    if (!marks || marks->revision != block.revision() || marks->length != block.length())
        return;
    for (const WordSpan& w : marks->misspelt)
        formats.append({w.start, w.length, m_format});
}

SpellingMarks::Word SpellingMarks::misspeltWordAt(int documentPosition) const
{
    const QTextBlock block = m_editor.document()->findBlock(documentPosition);
    if (!block.isValid())
        return {};
    const QString text = block.text();
    const WordSpan span = checkableWordAt(text, documentPosition - block.position());
    if (span.length == 0)
        return {};
    const QString word = text.mid(span.start, span.length);
    if (m_checker.check(word))
        return {};
    return {block.position() + span.start, span.length, word};
}

}  // namespace qp
