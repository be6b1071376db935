#pragma once

#include "editor/RichEditLayout.h"

#include <QObject>
#include <QPointer>
#include <QTextCharFormat>
#include <QTimer>

namespace qp {

class RichEdit;
class SpellChecker;

// Underlines the misspelt words of an editor. Only the paragraphs on screen
// are checked, in short slices when the program is idle, so that typing
// costs no more than before; an edit moves the marks of its paragraph along
// and only the edited words are checked again. The marks are drawn over the
// text and never become part of the document.
class SpellingMarks final : public QObject, public ParagraphDecorator {
    Q_OBJECT

public:
    SpellingMarks(RichEdit& editor, SpellChecker& checker, QObject* parent = nullptr);
    ~SpellingMarks() override;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);
    // Checks every paragraph again (a word added or ignored, another dictionary).
    void recheck();
    // Checks the shown paragraphs now, not in idle slices (tests).
    void checkVisibleNow();
    // The misspelt word at a position of the document, or an empty span
    // (positions of the document, not the program's CR LF counting).
    struct Word {
        int start = -1;
        int length = 0;
        QString text;
    };
    Word misspeltWordAt(int documentPosition) const;

    void decorate(const QTextBlock& block, QList<QTextLayout::FormatRange>& formats) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The underline's format.
    static QTextCharFormat markFormat();

private:
    void onContentsChange(int from, int removed, int added);
    void onCursorMoved();
    void schedule(int delay);
    // Checks shown paragraphs until the time is used up; true when all are done.
    bool checkSlice(qint64 budgetMillis);
    bool needsCheck(const QTextBlock& block) const;
    void checkBlock(QTextBlock& block);
    bool isTypedWord(const QTextBlock& block, int start, int end) const;

    QObject* m_viewport = nullptr;
    RichEdit& m_editor;
    // The editor may go first when the window closes.
    QPointer<RichEdit> m_editorAlive;
    SpellChecker& m_checker;
    QTimer m_timer;
    bool m_enabled = false;
    int m_generation = 1;
    // The word being typed at the caret is left alone until the caret leaves it.
    int m_typedAt = -1;
    QTextCharFormat m_format;
};

}  // namespace qp
