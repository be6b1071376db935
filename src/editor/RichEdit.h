#pragma once

#include "editor/LineIndex.h"
#include "editor/PlainText.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QMargins>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextEdit>
#include <QTextOption>
#include <QTimer>

#include <functional>
#include <memory>

class QPainter;
class QPaintDevice;
class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace qp {

class ParagraphDecorator;
class RichEditPageRenderer;
class RichEdit;

// One undo step for everything done to the editor while it lives.
class UndoStep {
public:
    explicit UndoStep(RichEdit& editor);
    ~UndoStep();
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

private:
    RichEdit& m_editor;
};

enum class TextMode { Rich, Plain };

enum class FindOption { None = 0, MatchCase = 1, WholeWord = 2 };
Q_DECLARE_FLAGS(FindOptions, FindOption)

enum class FontStyle { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
Q_DECLARE_FLAGS(FontStyles, FontStyle)

// Which character attributes a call reads as uniform or sets.
enum class CharAttribute { Name = 1, Size = 2, Bold = 4, Italic = 8, Underline = 16, StrikeOut = 32, Color = 64 };
Q_DECLARE_FLAGS(CharAttributes, CharAttribute)

// Character attributes of the selection, in points.
struct CharFormat {
    QString fontName;
    qreal sizePoints = 0;
    FontStyles styles;
    QColor color;  // invalid = automatic (the window text colour)
    CharAttributes uniform;  // filled by selectionCharFormat(): what is the same over the whole selection
};

enum class ParagraphAlignment { Left, Right, Center };

// Paragraph attributes of the selection's first paragraph, in points.
struct ParagraphFormat {
    ParagraphAlignment alignment = ParagraphAlignment::Left;
    qreal firstIndent = 0;  // first line, from the left edge
    qreal leftIndent = 0;   // the other lines, relative to the first line
    qreal rightIndent = 0;  // from the right edge
    bool bullet = false;
    QList<qreal> tabStops;  // positions from the left edge
};

enum class ParagraphAttribute { Alignment = 1, FirstIndent = 2, LeftIndent = 4, RightIndent = 8, Bullet = 16, TabStops = 32 };
Q_DECLARE_FLAGS(ParagraphAttributes, ParagraphAttribute)

enum class ScrollBars { Both, None };

// The key that switches between inserting and overwriting: Insert alone (also
// from the keypad). With Ctrl or Shift it is Copy or Paste.
inline bool isTypingModeKey(int key, Qt::KeyboardModifiers modifiers)
{
    return key == Qt::Key_Insert
           && !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// The document's editor control ("RichEdit1"). Positions count a paragraph
// break as the two characters CR LF, as the rest of the program does; lines
// are display lines with word wrap on and paragraphs with it off.
class RichEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit RichEdit(QWidget* parent = nullptr);
    ~RichEdit() override;

    // Content
    void clearText();
    QString text() const;  // "\r\n" between paragraphs
    void setText(const QString& text);  // "\r\n", "\n" or "\r" each make one paragraph break
    int textLength() const;  // length of text() without building it
    TextMode textMode() const { return m_mode; }
    void setTextMode(TextMode mode);
    // Reads all bytes first; the document changes only once they are read.
    // Rich mode reads RTF and, when that fails, the same bytes as plain text.
    // Throws AppError("Failed to Load Stream") and keeps the document on failure.
    void loadFile(const QString& path);
    // The same for bytes already read; it cannot fail. A plain-text load keeps
    // the format of the caret's paragraph and character for the whole text.
    // The bytes are taken, so that they are gone before the text fills the document.
    void loadBytes(QByteArray bytes);
    // Reads RTF from memory; returns false (document unchanged) when it is not RTF.
    bool loadRichText(const QByteArray& rtf);
    // Follows a long read: told how far it is (0 to 100), asked whether to stop.
    struct LoadWatch {
        std::function<void(int)> percent;
        std::function<bool()> stopped;
    };
    // The same in two steps, for long reads away from the GUI thread: what a
    // document read elsewhere takes from the editor (GUI thread); the read,
    // on any thread, giving a document that belongs to the GUI thread, or
    // null when the bytes are not RTF; and showing it (GUI thread).
    struct DocumentSetup {
        QFont font;
        qreal margin = 0;
        QTextOption option;
    };
    DocumentSetup documentSetup() const;
    static std::unique_ptr<QTextDocument> readRichDocument(const QByteArray& rtf, const DocumentSetup& setup,
                                                           const LoadWatch& watch = {});
    void showRichDocument(std::unique_ptr<QTextDocument> document);
    // loadBytes in the same two steps, for long files: what the read takes
    // from the editor (GUI thread), the read on any thread, which a worker
    // may follow and stop, and showing the document (GUI thread).
    struct LoadSetup {
        TextMode mode = TextMode::Rich;
        DocumentSetup document;
        QTextBlockFormat paragraph;
        QTextCharFormat characters;
    };
    struct LoadedDocument {
        std::unique_ptr<QTextDocument> document;  // none when the read was stopped
        bool rich = false;
        TextFileFormat format;
        // The formats plain text was read with: when the editor's differ by
        // the time it is shown, the text takes the editor's.
        QTextBlockFormat paragraph;
        QTextCharFormat characters;
    };
    LoadSetup loadSetup() const;
    static LoadedDocument readDocument(QByteArray bytes, const LoadSetup& setup, const LoadWatch& watch = {});
    void showLoadedDocument(LoadedDocument loaded);
    // Writes in the current mode, atomically. Throws AppError("Failed to Save
    // Stream", the file and the system's reason) and leaves the file untouched on
    // failure. Returns the bytes written.
    QByteArray saveFile(const QString& path);
    QByteArray richText() const;  // the document as RTF
    // Pieces of text or paragraphs formatted unlike the others: what a
    // plain-text save cannot keep.
    bool hasMixedFormatting() const;
    TextFileFormat textFileFormat() const { return m_fileFormat; }
    void setTextFileFormat(const TextFileFormat& format) { m_fileFormat = format; }

    // Lines
    int lineCount() const;
    int lineFromChar(int pos) const;
    int lineIndex(int line) const;  // first position of the line, -1 past the end
    QString lineText(int line) const;
    bool isLineLayoutComplete() const;
    // Lays out the rest of the document now (tests and printing; slow on big texts).
    void completeLineLayout();

    // Selection
    int selStart() const;
    int selLength() const;
    void setSelStart(int pos);
    void setSelLength(int length);
    void setSelection(int start, int length);
    QString selText() const;  // "\r\n" between paragraphs
    void replaceSelection(const QString& text);  // one undo step, caret after the text
    // Puts `text`, the selection's text as selText() gives it with some
    // characters changed but none added or removed, in place of the selection,
    // changing only what differs: every piece keeps its character format and
    // every paragraph its own format. One undo step; the selection stays. False,
    // and nothing changed, when the text does not have the selection's shape.
    bool changeSelectedCharacters(const QString& text);
    void selectAllText();
    void deleteSelection();
    int findText(const QString& what, int start, int length, FindOptions options) const;
    bool canUndo() const;
    void clearUndo();
    // Qt's own, and then the selection-changed notification when the step
    // moved the selection without moving the caret (a format change undone
    // drops the selection that it was made on).
    void undo();
    void redo();
    // Everything done between the two is one undo step; they nest.
    void beginUndoStep();
    void endUndoStep();
    // The undo steps there are, and a count that every change of the
    // document moves on: together they tell whether the last step is still
    // the one a caller made.
    int undoSteps() const;
    int revision() const;
    // Undoes the last step and keeps the selection where it is.
    void takeBackLastStep();

    // Selection attributes
    CharFormat selectionCharFormat() const;
    void setSelectionCharFormat(const CharFormat& format, CharAttributes which);
    ParagraphFormat selectionParagraphFormat() const;
    void setSelectionParagraphFormat(const ParagraphFormat& format, ParagraphAttributes which);

    // View
    QString defaultFontName() const;
    qreal defaultFontSize() const;  // points
    void setDefaultFontName(const QString& name);
    void setDefaultFontSize(qreal points);
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);
    bool wordWrap() const;
    void setWordWrap(bool on);
    ScrollBars scrollBars() const { return m_scrollBars; }
    void setScrollBars(ScrollBars bars);
    QMargins textInset() const { return m_inset; }
    void setTextInset(const QMargins& inset);
    int firstVisibleLine() const;
    void scrollLines(int count);
    // The scroll bars' values: the view to the pixel.
    QPoint scrollPosition() const;
    void setScrollPosition(const QPoint& position);
    QPoint caretPosition() const;  // top left of the caret in this widget's coordinates
    bool smartQuotes() const { return m_smartQuotes; }
    void setSmartQuotes(bool on) { m_smartQuotes = on; }

    // Extra formats drawn over the shown paragraphs, never stored (spelling
    // marks); nullptr for none. The decorator outlives its use here.
    void setParagraphDecorator(const ParagraphDecorator* decorator);
    const ParagraphDecorator* paragraphDecorator() const { return m_decorator; }

    // Printing: draws the positions [start, end) that fit into pageRect of the
    // painter's device, laid out at pageRect's width on that device, and
    // returns the first position not drawn (at least one line per page).
    int renderPage(QPainter& painter, const QRectF& pageRect, int start, int end);
    // The same without drawing: where the page would end (page counts, pages skipped).
    int measurePage(QPaintDevice& device, const QRectF& pageRect, int start, int end);
    void releaseRenderCache();

    // Position conversion between this control's positions and the document's.
    int toDocumentPosition(int pos, bool roundUp = false) const;
    int fromDocumentPosition(int docPos) const;

Q_SIGNALS:
    void editTextChanged();
    void editSelectionChanged();
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void characterTyped(QChar character, bool* swallow);
    void mouseDown(Qt::MouseButton button, QPoint position, Qt::KeyboardModifiers modifiers);
    // A plain-text save wrote UTF-8 because the remembered encoding cannot hold the text.
    void encodingFallback(const QString& message);
    // The display-line counts of the whole document are known.
    void lineLayoutCompleted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Plain text on the clipboard shows list labels as the document does.
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void adoptDocument(QTextDocument* document);
    int layoutPage(QPainter* painter, QPaintDevice& device, const QRectF& pageRect, int start, int end);
    void prepareDocument(QTextDocument* document) const;
    void setPlainContent(const QString& text);
    static std::unique_ptr<QTextDocument> plainDocument(QString text, const LoadSetup& setup, const LoadWatch& watch);
    QString programText(int from, int to, int* textStart = nullptr) const;
    QTextBlock blockAtPosition(int pos) const;
    bool handleFormattingKey(QKeyEvent* event);
    bool typeCharacters(QKeyEvent* event);
    void overwriteNext(QTextCursor& cursor, int count) const;
    void setLineHeight(int percent);
    void toggleVerticalAlignment(int alignment);
    QChar smartQuote(QChar typed) const;

    void onContentsChange(int from, int removed, int added);
    void onContentsChanged();
    void onCursorMoved();
    void emitSelectionIfMoved();

    // Puts the document on the paragraph-index layout where it can draw the
    // document, on Qt's own layout elsewhere.
    void chooseLayout();
    bool usesOwnLayout() const;

    bool tracksLines() const;
    void restartLineTracking();
    void checkLayoutWidth() const;
    void refreshLines(int firstBlock, int lastBlock) const;
    int blockLines(const QTextBlock& block) const;
    void layoutSlice();
    void scheduleLayoutSlice() const;

    TextMode m_mode = TextMode::Rich;
    TextFileFormat m_fileFormat;
    ScrollBars m_scrollBars = ScrollBars::Both;
    QMargins m_inset{3, 2, 10, 2};
    bool m_smartQuotes = false;

    // Selection notification: last reported (anchor, position), and whether
    // a text change is under way (its notification comes first).
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    bool m_textChangePending = false;

    // Display-line counts, kept only while word wrap is on.
    mutable LineIndex m_lines;
    mutable qreal m_layoutWidth = -1;
    mutable int m_pendingFirst = -1;
    mutable int m_pendingLast = -1;
    mutable bool m_layoutComplete = true;
    mutable QTimer m_layoutTimer;

    const ParagraphDecorator* m_decorator = nullptr;

    std::unique_ptr<RichEditPageRenderer> m_renderer;
    int m_renderBase = 0;
    bool m_hiddenText = false;  // the document holds hidden text
};

}  // namespace qp

Q_DECLARE_OPERATORS_FOR_FLAGS(qp::FindOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(qp::FontStyles)
Q_DECLARE_OPERATORS_FOR_FLAGS(qp::CharAttributes)
Q_DECLARE_OPERATORS_FOR_FLAGS(qp::ParagraphAttributes)
