#include "editing/Tools_Search.h"

#include "platform/Errors.h"
#include "platform/MessageService.h"

#include <QTextCursor>
#include <QTextDocument>

#include <optional>

namespace qp {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr QChar kBreak = QChar::ParagraphSeparator;
// The match stands this many lines below the top of the view.
constexpr int kLinesAboveMatch = 10;

// The editor's whole-word rule; Replace All searches a copy of the text and
// must bound words exactly as the editor's find does.
bool isWordCharacter(QChar c)
{
    return c.isLetter() || c.isDigit();
}

QString programForm(QString documentText)
{
    return documentText.replace(kBreak, kCrLf);
}

// The document turns CR LF, a lone CR and a lone LF alike into one paragraph
// break; saying so up front keeps the position arithmetic exact.
QString documentForm(QString programText)
{
    programText.replace(kCrLf, QString(kBreak));
    programText.replace(QLatin1Char('\r'), kBreak);
    programText.replace(QLatin1Char('\n'), kBreak);
    return programText;
}

// Maps rising program positions of a text copy (a paragraph break counts two)
// to document positions (a break counts one) in one pass over the copy.
class PositionWalker {
public:
    explicit PositionWalker(const QString& documentText) : m_text(documentText) {}

    struct Position {
        int document;
        qsizetype program;  // where the document position stands in program positions
    };

    // A program position between CR and LF rounds down to the break's start or up past it.
    Position map(qsizetype programPos, bool roundUp)
    {
        while (m_document < m_text.size()) {
            const int width = m_text.at(m_document) == kBreak ? 2 : 1;
            if (m_program + width > programPos)
                break;
            m_program += width;
            ++m_document;
        }
        if (m_program == programPos || !roundUp)
            return {int(m_document), m_program};
        return {int(m_document) + 1, m_program + 2};
    }

private:
    const QString& m_text;
    qsizetype m_document = 0;
    qsizetype m_program = 0;
};

// The next match in the unreplaced rest of the copy, from `from` on. What
// stands before `from` in the edited text is `before` (nothing at its start).
qsizetype findInRest(const QString& text, const QString& what, qsizetype from, Qt::CaseSensitivity cs,
                     bool wholeWord, std::optional<QChar> before)
{
    for (qsizetype i = text.indexOf(what, from, cs); i >= 0; i = text.indexOf(what, i + 1, cs)) {
        if (!wholeWord)
            return i;
        const std::optional<QChar> left = i > from ? std::optional<QChar>(text.at(i - 1)) : before;
        const qsizetype end = i + what.size();
        const bool startBounded = !left || !isWordCharacter(*left);
        const bool endBounded = end >= text.size() || !isWordCharacter(text.at(end));
        if (startBounded && endBounded)
            return i;
    }
    return -1;
}

}  // namespace

QString convertSearchCodes(const QString& fieldText)
{
    QString text = fieldText;
    text.replace(QLatin1String("^t"), QLatin1String("\t"));
    text.replace(QLatin1String("^p"), kCrLf);
    return text;
}

void searchFromSelection(RichEdit& editor, MessageService& messages, const QString& what, FindOptions options)
{
    while (true) {
        const int start = editor.selStart() + editor.selLength();
        const int found = editor.findText(what, start, editor.textLength() - start, options);
        if (found >= 0) {
            editor.setSelection(found, int(what.size()));
            editor.scrollLines(editor.lineFromChar(found) - editor.firstVisibleLine() - kLinesAboveMatch);
            return;
        }
        if (messages.retryNo(QStringLiteral("Information"), QStringLiteral("No more text found. Retry from begin of text?"))
            != Answer::Retry)
            cancel();
        editor.setSelection(0, 0);
    }
}

int replaceAll(RichEdit& editor, const QString& what, const QString& with, FindOptions options)
{
    if (what.isEmpty())
        return 0;

    // One copy of the text up front. Everything before the next search
    // position has been replaced and everything after it is untouched, so
    // the copy serves every search, and only the replacements touch the
    // document: no copy of the text per match and no layout per match.
    // A cursor that selects the whole document has all of it laid out
    // first; the raw text is the same characters without that.
    QTextDocument* doc = editor.document();
    const QString documentText = doc->toRawText();
    const QString text = programForm(documentText);

    const QString inserted = documentForm(with);
    const QString insertedProgram = programForm(inserted);
    const Qt::CaseSensitivity cs = options.testFlag(FindOption::MatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWord = options.testFlag(FindOption::WholeWord);
    const bool searchingBreak = what == kCrLf;

    PositionWalker walker(documentText);
    qsizetype from = 0;               // program position in the copy where the unreplaced rest begins
    std::optional<QChar> before;      // what stands before `from` in the edited text
    int shift = 0;                    // edited document position minus the copy's, from `from` on
    std::optional<int> stopAt;
    int count = 0;

    QTextCursor cursor(doc);
    bool editing = false;
    qsizetype q;
    while ((q = findInRest(text, what, from, cs, wholeWord, before)) >= 0) {
        const PositionWalker::Position start = walker.map(q, false);
        const PositionWalker::Position end = walker.map(q + what.size(), true);
        if (count == 0)
            editor.setFocus();  // back in the main window, the user lands in the edited text
        if (searchingBreak && programForm(documentText.mid(start.document, end.document - start.document)) != kCrLf) {
            stopAt = start.document + shift;
            break;
        }
        if (!editing) {
            // The whole run is one undo step.
            cursor.beginEditBlock();
            editing = true;
        }
        cursor.setPosition(start.document + shift);
        cursor.setPosition(end.document + shift, QTextCursor::KeepAnchor);
        cursor.insertText(inserted);
        shift += int(inserted.size()) - (end.document - start.document);
        if (!insertedProgram.isEmpty())
            before = insertedProgram.back();
        else if (start.program > from)
            before = text.at(start.program - 1);
        from = end.program;
        ++count;
    }
    if (editing)
        cursor.endEditBlock();

    if (stopAt)
        editor.setSelection(editor.fromDocumentPosition(*stopAt), 0);
    else if (count > 0)
        editor.setSelection(editor.fromDocumentPosition(cursor.position()), 0);
    return count;
}

}  // namespace qp
