#pragma once

#include "rtf/RtfCodePage.h"
#include "rtf/RtfTokenizer.h"
#include "rtf/RtfUnits.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextFormat>
#include <QTextOption>

#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

class QTextDocument;
class QTextList;

// The RTF reader's parser, shared by the files that make it up: the token and
// group handling, and the building of paragraphs, lists and formats.

namespace qp::rtfread {

// Deeper groups share the state of the deepest one kept, so a file of nested
// braces costs no more memory than this.
constexpr int kMaxDepth = 2000;
constexpr int kMaxTableEntries = 32768;
constexpr int kMaxFontName = 256;
constexpr int kMaxMarker = 64;
constexpr int kMaxHalfPoints = 3276;  // 1638 points, the largest size word processors offer

constexpr char16_t kReplacement = 0xFFFD;

// Shape: a drawing object's properties; no text of its own, but a text box
// inside it is read.
enum class Dest { Body, Skip, FontTable, ColorTable, Pict, FieldInst, Marker, Pn, ListTable, ListOverride, Shape, LevelText };
enum class VAlign : quint8 { Normal, Sub, Super };
enum class ListKind : quint8 { None, Bullet, Decimal, UpperAlpha, LowerAlpha, UpperRoman, LowerRoman };

struct CharState {
    int font = -1;  // -1: the default font
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = 0;
    int background = 0;
    VAlign valign = VAlign::Normal;
    bool hidden = false;
    bool caps = false;
    bool smallCaps = false;
    int link = -1;

    bool operator==(const CharState&) const = default;
};

// Looked up once per run of text, so the fields go in as three words.
inline size_t qHash(const CharState& s, size_t seed = 0)
{
    const auto pair = [](int high, int low) { return (quint64(quint32(high)) << 32) | quint32(low); };
    const int flags = (s.bold ? 1 : 0) | (s.italic ? 2 : 0) | (s.underline ? 4 : 0) | (s.strike ? 8 : 0) |
                      (static_cast<int>(s.valign) << 4) | (s.hidden ? 64 : 0) | (s.caps ? 128 : 0) | (s.smallCaps ? 256 : 0);
    return qHashMulti(seed, pair(s.font, s.color), pair(s.background, s.link), pair(s.halfPoints, flags));
}

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int fi = 0, li = 0, ri = 0, sb = 0, sa = 0, sl = 0;
    bool slMult = false;
    QList<QTextOption::Tab> tabs;
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
    int ls = 0;
    int ilvl = 0;
    ListKind pn = ListKind::None;
    int pnStart = 0;  // 0: none given
    bool pageBreak = false;

    bool operator==(const ParaState&) const = default;
};

struct GroupState {
    Dest dest = Dest::Body;
    bool ownsDest = false;
    bool ownsField = false;
    bool endsNestedRow = false;
    bool ownsNote = false;
    bool inUpr = false;
    Dest uprParent = Dest::Body;
    int uc = 1;
    CharState chr;
    ParaState para;
};

struct Font {
    QString name;
    int codePage = 0;  // 0: the document's page
    bool nameDone = false;
};

struct Picture {
    enum class Kind { None, Png, Jpeg, Other } kind = Kind::None;
    QByteArray data;
    int pendingNibble = -1;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
};

// One level of a list in the list table.
struct ListLevel {
    ListKind kind = ListKind::Decimal;
    int start = 1;
    int font = -1;  // the font of its bullet or number, -1: none given
    // \leveltext as read: its length as a character, then the label with
    // the numbers of the levels as the characters 0 to 8.
    QString text;
};

inline int clampTwips(int v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

// What a list paragraph's marker text ("2.", "(b)", "iv)") says: the
// paragraph's number (0 when there is none) and the text around it.
struct MarkerLabel {
    int number = 0;
    QString prefix;
    QString suffix = QStringLiteral(".");
};
MarkerLabel parseMarker(const QString& marker, ListKind kind);

// The list style of an \levelnfc number.
ListKind kindForNfc(int nfc);
// A bullet as the file gives it, in Unicode: symbol fonts' characters
// become the characters they draw.
QString bulletGlyph(const QString& text, const QString& font);
// The text before and after a level's own number in its \leveltext, or
// nothing when the level text says nothing usable. The numbers of other
// levels in them stay placeholders (the characters 0 to 8).
std::optional<std::pair<QString, QString>> levelAffixes(const QString& levelText, int level);
bool isLevelPlaceholder(QChar c);
// The target of a HYPERLINK field instruction, or an empty string.
QString hyperlinkTarget(const QString& instruction);

// A SYMBOL field: one character, by number, in a font of its own.
struct SymbolField {
    enum class Encoding { Ansi, Unicode, ShiftJis };
    quint32 code = 0;
    Encoding encoding = Encoding::Ansi;
    QString font;  // empty: the text's font
};
std::optional<SymbolField> symbolField(const QString& instruction);

enum class NoteNumbering : quint8 { Arabic, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman, Chicago };

// The automatic number of a footnote or endnote as the document shows it.
QString noteNumberText(int number, NoteNumbering numbering);

// A footnote or endnote: its tokens are read after the body, from the group
// state it began in.
struct Note {
    std::size_t start = 0;
    std::size_t end = 0;
    GroupState state;
    QString number;  // empty: a note with a mark of its own
};

struct Field {
    QString instruction;
    // Where the body stood when the result began, or -1 before it.
    qint64 resultMark = -1;
};

class RtfParser {
public:
    explicit RtfParser(QTextDocument* document) : m_doc(document), m_cursor(document) { m_stack.emplace_back(); }

    // Told now and then how far the reading is, 0 to 100; answering false
    // stops it, and parse() then answers false.
    void setWatch(std::function<bool(int percent)> watch) { m_watch = std::move(watch); }
    bool parse(std::string_view data);

private:
    GroupState& state() { return m_stack.back(); }

    void readTokens();
    bool documentEndsHere() const;
    void handleText(std::string_view text);
    void handleControlWord(const RtfToken& token);
    void handleSymbol(unsigned char symbol);
    void groupStart();
    void groupEnd();
    void setDest(Dest dest);
    void setDocCodePage(int number)
    {
        m_docCodePage = number;
        m_page = nullptr;
    }
    void endDestination(const GroupState& closing);
    void endField(const Field& field);
    void anchorNote();
    void beginNote();
    void endNote(std::size_t end);
    bool anchorIsEndnote() const;
    void insertNoteNumber(const QString& number);
    void appendNotes();
    void endBody();
    void insertSymbol(const SymbolField& symbol);
    qint64 bodyMark() const { return m_cursor.position() + m_runText.size(); }

    int codePageNumber();
    const RtfCodePage& codePage();
    void decodeBytes();
    void deliver(QStringView text);
    void deliverChar(char16_t c)
    {
        decodeBytes();
        deliver(QStringView(&c, 1));
    }
    void unicodeChar(int value);

    void appendBody(QStringView text);
    void beginContent();
    void prepareRun();
    void addToRun(QStringView text);
    void flushRun();
    void endParagraph();
    void startBlock();
    QTextBlockFormat blockFormat(const ParaState& para, bool pageBreak);
    QTextBlockFormat buildBlockFormat(const ParaState& para, bool pageBreak, ListKind kind) const;
    void applyParagraphFormat();
    void setMarkerFormat();
    QTextListFormat listFormat(const ParaState& para, ListKind kind, const MarkerLabel& label) const;
    QString outerLevelNumbers(int ls, const QList<ListLevel>& levels, const QString& prefix) const;
    ListKind listKind(const ParaState& para) const;
    bool paragraphIsList() const;
    void finishPicture();
    void finish();

    QTextCharFormat charFormat(const CharState& s);
    QString fontName(int font) const;

    QTextDocument* m_doc;
    QTextCursor m_cursor;
    RtfTokenizer* m_tokenizer = nullptr;
    std::string_view m_data;
    bool m_ended = false;
    std::function<bool(int)> m_watch;
    bool m_stopped = false;
    bool m_readsPastEnd = false;
    bool m_inNote = false;
    bool m_shapeText = false;  // the current drawing object has a text box
    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0;
    bool m_star = false;
    int m_skip = 0;
    char16_t m_pendingHigh = 0;
    QByteArray m_bytes;

    int m_docCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    // The page of the font last asked for; anything that changes the font
    // table or the document's page drops it.
    const RtfCodePage* m_page = nullptr;
    int m_pageFont = 0;
    QList<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    QList<Field> m_fields;

    std::vector<Note> m_notes;
    int m_openNote = -1;
    QString m_anchorNumber;  // of the last anchor, until its note begins
    QString m_noteNumber;    // of the note being read
    int m_footnotes = 0;
    int m_endnotes = 0;
    int m_footnoteStart = 1;
    int m_endnoteStart = 1;
    NoteNumbering m_footnoteNumbering = NoteNumbering::Arabic;
    NoteNumbering m_endnoteNumbering = NoteNumbering::Arabic;
    QStringList m_links;
    Picture m_pict;
    int m_imageCount = 0;

    QString m_marker;
    ListKind m_pnScratch = ListKind::None;
    int m_pnStartScratch = 0;
    QList<ListLevel> m_listLevels;
    QHash<int, QList<ListLevel>> m_listDefs;
    QHash<int, int> m_lsToList;
    int m_overrideListId = 0;
    QString m_levelText;
    // Start numbers an override gives its levels (0: the list's own), by \ls.
    QList<int> m_overrideStarts;
    QHash<int, QList<int>> m_lsStarts;
    // The document deletes a list whose last paragraph leaves it, so these
    // must notice.
    QHash<qint64, QPointer<QTextList>> m_lsLists;  // keyed by override and level
    QPointer<QTextList> m_pnList;
    // The last old-style list of each look, which a paragraph whose marker
    // has the next number continues.
    struct PnList {
        ListKind kind;
        int li;
        QString prefix;
        QString suffix;
        QPointer<QTextList> list;
    };
    std::vector<PnList> m_pnLists;
    ListKind m_pnListKind = ListKind::None;

    QString m_runText;
    CharState m_runState;
    // Formats built so far; reusing one object lets the document find it
    // without hashing its properties again.
    QHash<CharState, QTextCharFormat> m_formats;
    // Paragraph formats built so far, for the same reason; documents use few.
    struct KnownBlockFormat {
        ParaState para;
        bool pageBreak;
        ListKind kind;
        QTextBlockFormat format;
    };
    std::vector<KnownBlockFormat> m_blockFormats;

    bool m_pendingBreak = false;
    bool m_paraHasContent = false;
    bool m_paraFormatApplied = false;
    bool m_cellPending = false;
    bool m_pageBreakNext = false;
    ParaState m_blockPara;
    bool m_blockPageBreak = false;
    bool m_blockFormatKnown = false;
};

}  // namespace qp::rtfread
