#include "platform/rtf/RtfReader.h"

#include "platform/rtf/RtfCodePage.h"
#include "platform/rtf/RtfControlWords.h"
#include "platform/rtf/RtfTokenizer.h"
#include "platform/rtf/RtfUnits.h"

#include <QHash>
#include <QIODevice>
#include <QImage>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <algorithm>
#include <new>
#include <vector>

namespace qp {

namespace {

// Deeper groups share the state of the deepest one kept, so a file of nested
// braces costs no more memory than this.
constexpr int kMaxDepth = 2000;
constexpr int kMaxTableEntries = 32768;
constexpr int kMaxFontName = 256;
constexpr int kMaxMarker = 64;
constexpr int kMaxHalfPoints = 3276;  // 1638 points, the largest size word processors offer

constexpr char16_t kReplacement = 0xFFFD;

enum class Dest { Body, Skip, FontTable, ColorTable, Pict, FieldInst, Marker, Pn, ListTable, ListOverride };
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
    int link = -1;

    bool operator==(const CharState&) const = default;
};

// Looked up once per run of text, so the fields go in as three words.
size_t qHash(const CharState& s, size_t seed = 0)
{
    const auto pair = [](int high, int low) { return (quint64(quint32(high)) << 32) | quint32(low); };
    const int flags = (s.bold ? 1 : 0) | (s.italic ? 2 : 0) | (s.underline ? 4 : 0) | (s.strike ? 8 : 0) |
                      (static_cast<int>(s.valign) << 4);
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
    bool pageBreak = false;

    bool operator==(const ParaState&) const = default;
};

struct GroupState {
    Dest dest = Dest::Body;
    bool ownsDest = false;
    bool ownsField = false;
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

int clampTwips(int v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

ListKind kindForNfc(int nfc)
{
    switch (nfc) {
    case 1: return ListKind::UpperRoman;
    case 2: return ListKind::LowerRoman;
    case 3: return ListKind::UpperAlpha;
    case 4: return ListKind::LowerAlpha;
    case 23: return ListKind::Bullet;
    default: return ListKind::Decimal;
    }
}

QTextListFormat::Style styleFor(ListKind kind)
{
    switch (kind) {
    case ListKind::Bullet: return QTextListFormat::ListDisc;
    case ListKind::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case ListKind::UpperRoman: return QTextListFormat::ListUpperRoman;
    case ListKind::LowerRoman: return QTextListFormat::ListLowerRoman;
    default: return QTextListFormat::ListDecimal;
    }
}

// The target of a HYPERLINK field instruction, or an empty string.
QString hyperlinkTarget(const QString& instruction)
{
    static const QRegularExpression word(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    auto it = word.globalMatch(instruction);
    if (!it.hasNext() || it.next().captured(2).compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return {};
    QString url;
    QString fragment;
    bool nextIsFragment = false;
    bool nextIsArgument = false;
    while (it.hasNext()) {
        const auto m = it.next();
        const bool quoted = m.capturedLength(1) > 0 || m.captured(0) == QLatin1String("\"\"");
        const QString value = quoted ? m.captured(1) : m.captured(2);
        if (!quoted && value.startsWith(QLatin1Char('\\'))) {
            nextIsFragment = (value == QLatin1String("\\l"));
            nextIsArgument = !nextIsFragment && value.size() == 2 && QStringLiteral("otm").contains(value.at(1));
            continue;
        }
        if (nextIsFragment)
            fragment = value;
        else if (!nextIsArgument && url.isEmpty())
            url = value;
        nextIsFragment = nextIsArgument = false;
    }
    if (!fragment.isEmpty())
        url += QLatin1Char('#') + fragment;
    return url;
}

class RtfParser {
public:
    explicit RtfParser(QTextDocument* document) : m_doc(document), m_cursor(document) { m_stack.emplace_back(); }

    void parse(std::string_view data);

private:
    GroupState& state() { return m_stack.back(); }

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
    ListKind listKind(const ParaState& para) const;
    bool paragraphIsList() const;
    void finishPicture();
    void finish();

    QTextCharFormat charFormat(const CharState& s);
    QString fontName(int font) const;

    QTextDocument* m_doc;
    QTextCursor m_cursor;
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

    QStringList m_fieldInstructions;
    QStringList m_links;
    Picture m_pict;
    int m_imageCount = 0;

    QString m_marker;
    ListKind m_pnScratch = ListKind::None;
    QList<ListKind> m_listLevels;
    QHash<int, QList<ListKind>> m_listDefs;
    QHash<int, int> m_lsToList;
    int m_overrideListId = 0;
    // The document deletes a list whose last paragraph leaves it, so these
    // must notice.
    QHash<qint64, QPointer<QTextList>> m_lsLists;  // keyed by override and level
    QPointer<QTextList> m_pnList;
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

void RtfParser::parse(std::string_view data)
{
    m_cursor.beginEditBlock();
    RtfTokenizer tokenizer(data);
    for (RtfToken token = tokenizer.next(); token.type != RtfToken::Type::End; token = tokenizer.next()) {
        // Characters standing in for the last \uN are dropped; a group
        // boundary ends them early.
        if (m_skip > 0) {
            switch (token.type) {
            case RtfToken::Type::Text: {
                const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(m_skip), token.text.size());
                m_skip -= static_cast<int>(n);
                token.text.remove_prefix(n);
                if (token.text.empty())
                    continue;
                break;
            }
            case RtfToken::Type::HexByte:
            case RtfToken::Type::ControlWord:
            case RtfToken::Type::ControlSymbol:
                --m_skip;
                continue;
            default:
                m_skip = 0;
                break;
            }
        }
        if (m_star && token.type != RtfToken::Type::ControlWord)
            m_star = token.type == RtfToken::Type::Text && token.text.find_first_not_of(' ') == std::string_view::npos;

        switch (token.type) {
        case RtfToken::Type::GroupStart: groupStart(); break;
        case RtfToken::Type::GroupEnd: groupEnd(); break;
        case RtfToken::Type::ControlWord: handleControlWord(token); break;
        case RtfToken::Type::ControlSymbol: handleSymbol(token.symbol); break;
        case RtfToken::Type::HexByte:
            // Picture data is bare hex digits; an escape there means nothing.
            if (state().dest != Dest::Skip && state().dest != Dest::Pict)
                m_bytes.append(static_cast<char>(token.symbol));
            break;
        case RtfToken::Type::Text: handleText(token.text); break;
        case RtfToken::Type::End: break;
        }
    }
    finish();
    m_cursor.endEditBlock();
}

void RtfParser::handleText(std::string_view text)
{
    switch (state().dest) {
    case Dest::Skip:
    case Dest::Pn:
    case Dest::ListTable:
    case Dest::ListOverride:
        return;
    case Dest::Pict:
        for (char c : text) {
            const int n = rtfHexDigit(c);
            if (n < 0)
                continue;
            if (m_pict.pendingNibble < 0) {
                m_pict.pendingNibble = n;
            } else {
                m_pict.data.append(static_cast<char>((m_pict.pendingNibble << 4) | n));
                m_pict.pendingNibble = -1;
            }
        }
        return;
    case Dest::ColorTable:
        for (char c : text) {
            if (c != ';')
                continue;
            if (m_colors.size() < kMaxTableEntries)
                m_colors.append(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        }
        return;
    default:
        break;
    }
    // Body text in a one-byte page goes straight into the current run;
    // anything else waits for decodeBytes(), which joins it with the
    // escaped bytes around it.
    if (state().dest == Dest::Body && !m_pendingHigh && m_bytes.isEmpty()) {
        const RtfCodePage& page = codePage();
        if (!page.isMultiByte()) {
            beginContent();
            prepareRun();
            page.decode(text.data(), text.size(), m_runText);
            return;
        }
    }
    m_bytes.append(text.data(), static_cast<qsizetype>(text.size()));
}

int RtfParser::codePageNumber()
{
    const int font = state().chr.font < 0 ? m_defaultFont : state().chr.font;
    const auto it = m_fonts.constFind(font);
    if (it != m_fonts.cend() && it->codePage != 0)
        return it->codePage;
    return m_docCodePage;
}

const RtfCodePage& RtfParser::codePage()
{
    if (!m_page || m_pageFont != state().chr.font) {
        m_page = &RtfCodePage::get(codePageNumber());
        m_pageFont = state().chr.font;
    }
    return *m_page;
}

void RtfParser::decodeBytes()
{
    if (m_bytes.isEmpty())
        return;
    const RtfCodePage& page = codePage();
    if (state().dest == Dest::Body && !m_pendingHigh) {
        // The common case, body text, goes straight into the current run.
        beginContent();
        prepareRun();
        page.decode(m_bytes.constData(), static_cast<std::size_t>(m_bytes.size()), m_runText);
        m_bytes.resize(0);  // keeps the buffer for the next bytes
        return;
    }
    QString text;
    page.decode(m_bytes.constData(), static_cast<std::size_t>(m_bytes.size()), text);
    m_bytes.resize(0);
    deliver(text);
}

void RtfParser::deliver(QStringView text)
{
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        deliver(QStringView(&kReplacement, 1));
    }
    switch (state().dest) {
    case Dest::Body:
        appendBody(text);
        break;
    case Dest::FontTable: {
        if (state().chr.font < 0)
            break;
        Font& font = m_fonts[state().chr.font];
        if (font.nameDone)
            break;
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
        font.name += text.left(semicolon < 0 ? text.size() : semicolon);
        if (font.name.size() > kMaxFontName)
            font.name.truncate(kMaxFontName);
        if (semicolon >= 0) {
            font.name = font.name.trimmed();
            font.nameDone = true;
        }
        break;
    }
    case Dest::FieldInst:
        if (!m_fieldInstructions.isEmpty() && m_fieldInstructions.last().size() < 4096)
            m_fieldInstructions.last() += text;
        break;
    case Dest::Marker:
        if (m_marker.size() < kMaxMarker)
            m_marker += text;
        break;
    default:
        break;
    }
}

void RtfParser::unicodeChar(int value)
{
    decodeBytes();
    m_skip = state().uc;
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0xFFFF)
        value = kReplacement;
    const auto c = static_cast<char16_t>(value);
    if (QChar::isHighSurrogate(c)) {
        if (m_pendingHigh)
            deliver(QStringView(&kReplacement, 1));  // the earlier one was alone
        m_pendingHigh = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!m_pendingHigh) {
            deliver(QStringView(&kReplacement, 1));
            return;
        }
        const char16_t pair[2] = {m_pendingHigh, c};
        m_pendingHigh = 0;
        deliver(QStringView(pair, 2));
        return;
    }
    deliver(QStringView(&c, 1));
}

void RtfParser::groupStart()
{
    decodeBytes();
    if (static_cast<int>(m_stack.size()) >= kMaxDepth) {
        ++m_overflowDepth;
        return;
    }
    GroupState inner = m_stack.back();
    inner.ownsDest = false;
    inner.ownsField = false;
    m_stack.push_back(std::move(inner));
}

void RtfParser::groupEnd()
{
    decodeBytes();
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1)
        return;  // an unmatched closing brace; the text after it is still read

    if (m_stack.size() == 2) {
        // The document group ends: its paragraph properties would go with it.
        flushRun();
        if (!m_pendingBreak)
            applyParagraphFormat();
    }
    const GroupState closing = std::move(m_stack.back());
    m_stack.pop_back();
    if (closing.ownsDest || closing.ownsField)
        endDestination(closing);
}

void RtfParser::setDest(Dest dest)
{
    state().dest = dest;
    state().ownsDest = true;
}

void RtfParser::endDestination(const GroupState& closing)
{
    if (closing.ownsField && !m_fieldInstructions.isEmpty())
        m_fieldInstructions.removeLast();
    if (!closing.ownsDest)
        return;
    switch (closing.dest) {
    case Dest::Pict:
        if (state().dest != Dest::Pict)
            finishPicture();
        break;
    case Dest::Pn:
        if (state().dest != Dest::Pn)
            state().para.pn = m_pnScratch;
        break;
    default:
        break;
    }
}

void RtfParser::handleSymbol(unsigned char symbol)
{
    if (state().dest == Dest::Skip)
        return;
    switch (symbol) {
    case '*':
        m_star = true;
        return;
    case '\\':
    case '{':
    case '}':
        m_bytes.append(static_cast<char>(symbol));
        return;
    case '~': deliverChar(0x00A0); return;
    case '-': deliverChar(0x00AD); return;
    case '_': deliverChar(0x2011); return;
    case '\t': deliverChar('\t'); return;
    case '\n':
        decodeBytes();
        if (state().dest == Dest::Body)
            endParagraph();
        return;
    default:
        return;  // \| \: and the rest carry no text
    }
}

void RtfParser::handleControlWord(const RtfToken& token)
{
    const RtfWordInfo info = lookupRtfWord(token.text);
    if (m_star) {
        m_star = false;
        if (!info.destination) {
            decodeBytes();
            setDest(Dest::Skip);
            return;
        }
    }
    GroupState& s = state();
    if (s.dest == Dest::Skip) {
        if (info.word == RtfWord::Ud && s.inUpr) {
            s.dest = s.uprParent;
            s.ownsDest = true;
        }
        return;
    }
    decodeBytes();

    const int p = token.param;
    const bool on = !token.hasParam || p != 0;
    CharState& c = s.chr;
    ParaState& para = s.para;

    switch (info.word) {
    case RtfWord::Unknown:
    case RtfWord::Rtf:
    case RtfWord::ShpPict:
        break;

    case RtfWord::FontTable: setDest(Dest::FontTable); break;
    case RtfWord::ColorTable:
        setDest(Dest::ColorTable);
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
        break;
    case RtfWord::Pict:
        setDest(Dest::Pict);
        m_pict = Picture{};
        break;
    case RtfWord::Field:
        if (m_fieldInstructions.size() < kMaxDepth) {
            m_fieldInstructions.append(QString());
            s.ownsField = true;
        }
        break;
    case RtfWord::FldInst:
        setDest(Dest::FieldInst);
        break;
    case RtfWord::FldRslt: {
        setDest(Dest::Body);
        const QString target = m_fieldInstructions.isEmpty() ? QString() : hyperlinkTarget(m_fieldInstructions.last());
        if (!target.isEmpty()) {
            m_links.append(target);
            c.link = static_cast<int>(m_links.size() - 1);
        }
        break;
    }
    case RtfWord::PnText:
    case RtfWord::ListText:
        if (s.dest == Dest::Body) {
            setDest(Dest::Marker);
            m_marker.clear();
        }
        break;
    case RtfWord::Pn:
        setDest(Dest::Pn);
        m_pnScratch = ListKind::Decimal;
        break;
    case RtfWord::ListTable: setDest(Dest::ListTable); break;
    case RtfWord::List:
        if (s.dest == Dest::ListTable)
            m_listLevels.clear();
        break;
    case RtfWord::ListLevel:
        if (s.dest == Dest::ListTable && m_listLevels.size() < 9)
            m_listLevels.append(ListKind::Decimal);
        break;
    case RtfWord::ListOverrideTable: setDest(Dest::ListOverride); break;
    case RtfWord::ListOverride: break;
    case RtfWord::Upr:
        s.inUpr = true;
        s.uprParent = s.dest;
        setDest(Dest::Skip);
        break;
    case RtfWord::Ud: break;
    case RtfWord::Skipped: setDest(Dest::Skip); break;

    case RtfWord::Ansi: setDocCodePage(1252); break;
    case RtfWord::Mac: setDocCodePage(10000); break;
    case RtfWord::Pc: setDocCodePage(437); break;
    case RtfWord::Pca: setDocCodePage(850); break;
    case RtfWord::AnsiCpg:
        if (p > 0)
            setDocCodePage(p);
        break;
    case RtfWord::Deff:
        m_defaultFont = p;
        m_page = nullptr;
        break;
    case RtfWord::Uc: s.uc = std::clamp(p, 0, 16); break;
    case RtfWord::U: unicodeChar(p); break;
    case RtfWord::Bin:
        if (s.dest == Dest::Pict)
            m_pict.data.append(token.binary.data(), static_cast<qsizetype>(token.binary.size()));
        break;

    case RtfWord::F:
        if (s.dest == Dest::FontTable && !m_fonts.contains(p) && m_fonts.size() >= kMaxTableEntries)
            break;
        c.font = p;
        if (s.dest == Dest::FontTable) {
            m_fonts[p];
            m_page = nullptr;
        }
        break;
    case RtfWord::FCharset:
        if (s.dest == Dest::FontTable && c.font >= 0 && m_fonts.contains(c.font)) {
            const int page = RtfCodePage::forCharset(p);
            m_fonts[c.font].codePage = page;
            m_page = nullptr;
        }
        break;
    case RtfWord::Cpg:
        if (s.dest == Dest::FontTable && c.font >= 0 && m_fonts.contains(c.font) && p > 0) {
            m_fonts[c.font].codePage = p;
            m_page = nullptr;
        }
        break;
    case RtfWord::Red: m_red = std::clamp(p, 0, 255); m_colorSet = true; break;
    case RtfWord::Green: m_green = std::clamp(p, 0, 255); m_colorSet = true; break;
    case RtfWord::Blue: m_blue = std::clamp(p, 0, 255); m_colorSet = true; break;

    case RtfWord::Plain: {
        const int link = c.link;
        c = CharState{};
        c.link = link;
        break;
    }
    case RtfWord::Fs: c.halfPoints = token.hasParam ? std::clamp(p, 2, kMaxHalfPoints) : 24; break;
    case RtfWord::B: c.bold = on; break;
    case RtfWord::I: c.italic = on; break;
    case RtfWord::Ul: c.underline = on; break;
    case RtfWord::UlNone: c.underline = false; break;
    case RtfWord::Strike: c.strike = on; break;
    case RtfWord::Cf: c.color = std::max(p, 0); break;
    case RtfWord::Highlight:
    case RtfWord::Cb:
    case RtfWord::ChCbPat: c.background = std::max(p, 0); break;
    case RtfWord::Sub: c.valign = on ? VAlign::Sub : VAlign::Normal; break;
    case RtfWord::Super: c.valign = on ? VAlign::Super : VAlign::Normal; break;
    case RtfWord::NoSuperSub: c.valign = VAlign::Normal; break;
    case RtfWord::Up: c.valign = (token.hasParam && p == 0) ? VAlign::Normal : VAlign::Super; break;
    case RtfWord::Dn: c.valign = (token.hasParam && p == 0) ? VAlign::Normal : VAlign::Sub; break;

    case RtfWord::Pard: para = ParaState{}; break;
    case RtfWord::Par:
        if (s.dest == Dest::Body)
            endParagraph();
        break;
    case RtfWord::Ql: para.align = Qt::AlignLeft; break;
    case RtfWord::Qr: para.align = Qt::AlignRight; break;
    case RtfWord::Qc: para.align = Qt::AlignHCenter; break;
    case RtfWord::Qj: para.align = Qt::AlignJustify; break;
    case RtfWord::Fi: para.fi = clampTwips(p); break;
    case RtfWord::Li: para.li = clampTwips(p); break;
    case RtfWord::Ri: para.ri = clampTwips(p); break;
    case RtfWord::Sb: para.sb = std::clamp(p, 0, kMaxTwips); break;
    case RtfWord::Sa: para.sa = std::clamp(p, 0, kMaxTwips); break;
    case RtfWord::Sl: para.sl = clampTwips(p); break;
    case RtfWord::SlMult: para.slMult = on; break;
    case RtfWord::Tqr: para.nextTabType = QTextOption::RightTab; break;
    case RtfWord::Tqc: para.nextTabType = QTextOption::CenterTab; break;
    case RtfWord::TqDec: para.nextTabType = QTextOption::DelimiterTab; break;
    case RtfWord::Tx:
    case RtfWord::Tb:
        if (para.tabs.size() < 64) {
            QTextOption::Tab tab(twipsToPixels(std::clamp(p, 0, kMaxTwips)), para.nextTabType);
            if (para.nextTabType == QTextOption::DelimiterTab)
                tab.delimiter = QLatin1Char('.');
            para.tabs.append(tab);
        }
        para.nextTabType = QTextOption::LeftTab;
        break;
    case RtfWord::PageBb: para.pageBreak = on; break;
    case RtfWord::Ls:
        if (s.dest == Dest::ListOverride)
            m_lsToList.insert(p, m_overrideListId);
        else
            para.ls = p;
        break;
    case RtfWord::Ilvl: para.ilvl = std::clamp(p, 0, 8); break;
    case RtfWord::InTbl: break;

    case RtfWord::PnLvlBlt: m_pnScratch = ListKind::Bullet; break;
    case RtfWord::PnLvlBody:
    case RtfWord::PnLvl:
    case RtfWord::PnDec:
        if (m_pnScratch == ListKind::None || info.word == RtfWord::PnDec)
            m_pnScratch = ListKind::Decimal;
        break;
    case RtfWord::PnLvlCont: m_pnScratch = ListKind::None; break;
    case RtfWord::PnUcLtr: m_pnScratch = ListKind::UpperAlpha; break;
    case RtfWord::PnLcLtr: m_pnScratch = ListKind::LowerAlpha; break;
    case RtfWord::PnUcRm: m_pnScratch = ListKind::UpperRoman; break;
    case RtfWord::PnLcRm: m_pnScratch = ListKind::LowerRoman; break;

    case RtfWord::ListId:
        if (s.dest == Dest::ListTable) {
            if (m_listDefs.size() < kMaxTableEntries)
                m_listDefs.insert(p, m_listLevels);
        } else if (s.dest == Dest::ListOverride) {
            m_overrideListId = p;
        }
        break;
    case RtfWord::LevelNfc:
        if (s.dest == Dest::ListTable && !m_listLevels.isEmpty())
            m_listLevels.last() = kindForNfc(p);
        break;

    case RtfWord::Tab: deliverChar('\t'); break;
    case RtfWord::Line: deliverChar(0x2028); break;
    case RtfWord::Emdash: deliverChar(0x2014); break;
    case RtfWord::Endash: deliverChar(0x2013); break;
    case RtfWord::Emspace: deliverChar(0x2003); break;
    case RtfWord::Enspace: deliverChar(0x2002); break;
    case RtfWord::Qmspace: deliverChar(0x2005); break;
    case RtfWord::Bullet: deliverChar(0x2022); break;
    case RtfWord::Lquote: deliverChar(0x2018); break;
    case RtfWord::Rquote: deliverChar(0x2019); break;
    case RtfWord::Ldblquote: deliverChar(0x201C); break;
    case RtfWord::Rdblquote: deliverChar(0x201D); break;
    case RtfWord::Zwj: deliverChar(0x200D); break;
    case RtfWord::Zwnj: deliverChar(0x200C); break;
    case RtfWord::Ltrmark: deliverChar(0x200E); break;
    case RtfWord::Rtlmark: deliverChar(0x200F); break;
    case RtfWord::Page:
        if (s.dest != Dest::Body)
            break;
        if (m_paraHasContent)
            endParagraph();
        m_pageBreakNext = true;
        break;
    case RtfWord::Sect:
        if (s.dest == Dest::Body && m_paraHasContent)
            endParagraph();
        break;
    case RtfWord::Cell:
    case RtfWord::NestCell:
        if (s.dest != Dest::Body)
            break;
        // Cells of a row become one paragraph with a tab between them.
        if (m_cellPending) {
            m_cellPending = false;
            appendBody(u"\t");
        }
        m_cellPending = true;
        break;
    case RtfWord::Row:
    case RtfWord::NestRow:
        if (s.dest != Dest::Body)
            break;
        m_cellPending = false;
        endParagraph();
        break;

    case RtfWord::PngBlip:
        if (s.dest == Dest::Pict)
            m_pict.kind = Picture::Kind::Png;
        break;
    case RtfWord::JpegBlip:
        if (s.dest == Dest::Pict)
            m_pict.kind = Picture::Kind::Jpeg;
        break;
    case RtfWord::OtherBlip:
        if (s.dest == Dest::Pict)
            m_pict.kind = Picture::Kind::Other;
        break;
    case RtfWord::PicW: m_pict.picw = std::clamp(p, 0, kMaxTwips); break;
    case RtfWord::PicH: m_pict.pich = std::clamp(p, 0, kMaxTwips); break;
    case RtfWord::PicWGoal: m_pict.goalw = std::clamp(p, 0, kMaxTwips); break;
    case RtfWord::PicHGoal: m_pict.goalh = std::clamp(p, 0, kMaxTwips); break;
    case RtfWord::PicScaleX: m_pict.scalex = std::clamp(p, 1, 1000); break;
    case RtfWord::PicScaleY: m_pict.scaley = std::clamp(p, 1, 1000); break;
    }
}

ListKind RtfParser::listKind(const ParaState& para) const
{
    if (para.ls > 0) {
        const QList<ListKind> levels = m_listDefs.value(m_lsToList.value(para.ls, -1));
        return levels.value(para.ilvl, levels.isEmpty() ? ListKind::Bullet : ListKind::Decimal);
    }
    return para.pn;
}

bool RtfParser::paragraphIsList() const
{
    const ParaState& para = m_stack.back().para;
    return para.ls > 0 || para.pn != ListKind::None;
}

void RtfParser::beginContent()
{
    if (m_pendingBreak)
        startBlock();
    m_paraFormatApplied = false;
    if (!m_paraHasContent) {
        m_paraHasContent = true;
        // A list paragraph draws its own marker; otherwise the marker text
        // is all there is of it and must stay.
        if (!m_marker.isEmpty() && !paragraphIsList())
            addToRun(m_marker);
        m_marker.clear();
    }
    if (m_cellPending) {
        m_cellPending = false;
        addToRun(u"\t");
    }
}

void RtfParser::appendBody(QStringView text)
{
    if (text.isEmpty())
        return;
    beginContent();
    addToRun(text);
}

void RtfParser::prepareRun()
{
    const CharState& current = state().chr;
    if (!m_runText.isEmpty() && !(m_runState == current))
        flushRun();
    m_runState = current;
}

void RtfParser::addToRun(QStringView text)
{
    prepareRun();
    m_runText += text;
}

void RtfParser::flushRun()
{
    if (m_runText.isEmpty())
        return;
    m_cursor.insertText(m_runText, charFormat(m_runState));
    m_runText.resize(0);  // keeps the buffer for the next run
}

void RtfParser::endParagraph()
{
    if (m_pendingBreak)
        startBlock();
    if (!m_paraHasContent && !m_marker.isEmpty() && !paragraphIsList())
        addToRun(m_marker);
    m_marker.clear();
    m_cellPending = false;
    flushRun();
    applyParagraphFormat();
    m_pendingBreak = true;
    m_paraHasContent = false;
}

// Paragraph properties usually come before the text, so the block is made
// with them; the end of the paragraph sets them again only if they changed.
void RtfParser::startBlock()
{
    flushRun();
    m_blockPara = state().para;
    m_blockPageBreak = m_pageBreakNext;
    m_cursor.insertBlock(blockFormat(m_blockPara, m_blockPageBreak), QTextCharFormat());
    m_blockFormatKnown = true;
    m_pendingBreak = false;
}

QTextBlockFormat RtfParser::blockFormat(const ParaState& para, bool pageBreak)
{
    const ListKind kind = listKind(para);
    for (const KnownBlockFormat& known : m_blockFormats) {
        if (known.pageBreak == pageBreak && known.kind == kind && known.para == para)
            return known.format;
    }
    QTextBlockFormat format = buildBlockFormat(para, pageBreak, kind);
    if (m_blockFormats.size() >= 16)
        m_blockFormats.erase(m_blockFormats.begin());
    m_blockFormats.push_back({para, pageBreak, kind, format});
    return format;
}

QTextBlockFormat RtfParser::buildBlockFormat(const ParaState& para, bool pageBreak, ListKind kind) const
{
    QTextBlockFormat format;
    format.setAlignment(para.align);

    const int level = para.ls > 0 ? para.ilvl : 0;
    int li = para.li;
    if (kind != ListKind::None)
        li = std::max(0, li - pixelsToTwips(m_doc->indentWidth()) * (level + 1));
    if (para.fi)
        format.setTextIndent(twipsToPixels(para.fi));
    if (li)
        format.setLeftMargin(twipsToPixels(li));
    if (para.ri)
        format.setRightMargin(twipsToPixels(para.ri));
    if (para.sb)
        format.setTopMargin(twipsToPixels(para.sb));
    if (para.sa)
        format.setBottomMargin(twipsToPixels(para.sa));
    if (para.sl > 0 && para.slMult)
        format.setLineHeight(para.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (para.sl > 0)
        format.setLineHeight(twipsToPixels(para.sl), QTextBlockFormat::MinimumHeight);
    else if (para.sl < 0)
        format.setLineHeight(twipsToPixels(-para.sl), QTextBlockFormat::FixedHeight);
    if (!para.tabs.isEmpty())
        format.setTabPositions(para.tabs);
    if (para.pageBreak || pageBreak)
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    return format;
}

void RtfParser::applyParagraphFormat()
{
    const ParaState& para = state().para;
    const ListKind kind = listKind(para);
    const int level = para.ls > 0 ? para.ilvl : 0;
    if (!m_blockFormatKnown || !(m_blockPara == para) || m_blockPageBreak != m_pageBreakNext)
        m_cursor.setBlockFormat(blockFormat(para, m_pageBreakNext));
    m_pageBreakNext = false;
    m_blockFormatKnown = false;
    m_paraFormatApplied = true;

    if (kind == ListKind::None) {
        m_pnList = nullptr;
        return;
    }
    setMarkerFormat();
    QTextList* list = nullptr;
    if (para.ls > 0) {
        list = m_lsLists.value(qint64(para.ls) * 16 + level).data();
    } else if (m_pnList && m_pnListKind == kind) {
        list = m_pnList;
    }
    if (list) {
        list->add(m_cursor.block());
    } else {
        QTextListFormat listFormat;
        listFormat.setStyle(styleFor(kind));
        listFormat.setIndent(level + 1);
        list = m_cursor.createList(listFormat);
        if (para.ls > 0)
            m_lsLists.insert(qint64(para.ls) * 16 + level, list);
    }
    if (para.ls > 0) {
        m_pnList = nullptr;
    } else {
        m_pnList = list;
        m_pnListKind = kind;
    }
}

// A list marker is drawn in its block's own character format; it takes the
// font and colour of the paragraph's first character, not the document's.
void RtfParser::setMarkerFormat()
{
    const QTextBlock block = m_cursor.block();
    const QTextCharFormat first =
        block.begin() != block.end() ? block.begin().fragment().charFormat() : charFormat(state().chr);
    QTextCharFormat marker;
    marker.setFont(first.font(), QTextCharFormat::FontPropertiesSpecifiedOnly);
    marker.setFontUnderline(false);
    marker.setFontStrikeOut(false);
    marker.setVerticalAlignment(QTextCharFormat::AlignNormal);
    if (first.hasProperty(QTextFormat::ForegroundBrush))
        marker.setForeground(first.foreground());
    m_cursor.setBlockCharFormat(marker);
}

void RtfParser::finishPicture()
{
    const Picture pict = std::move(m_pict);
    m_pict = Picture{};
    if (pict.kind != Picture::Kind::Png && pict.kind != Picture::Kind::Jpeg)
        return;
    QImage image;
    if (pict.data.isEmpty() || !image.loadFromData(pict.data, pict.kind == Picture::Kind::Png ? "PNG" : "JPEG"))
        return;

    const double width = (pict.goalw > 0 ? twipsToPixels(pict.goalw) : image.width()) * pict.scalex / 100.0;
    const double height = (pict.goalh > 0 ? twipsToPixels(pict.goalh) : image.height()) * pict.scaley / 100.0;
    const QString name = QStringLiteral("qp-rtf-image:%1").arg(++m_imageCount);
    m_doc->addResource(QTextDocument::ImageResource, QUrl(name), image);

    QTextImageFormat format;
    format.setName(name);
    format.setWidth(std::clamp(width, 1.0, twipsToPixels(kMaxTwips)));
    format.setHeight(std::clamp(height, 1.0, twipsToPixels(kMaxTwips)));
    if (state().chr.link >= 0) {
        format.setAnchor(true);
        format.setAnchorHref(m_links.value(state().chr.link));
    }
    if (state().dest != Dest::Body)
        return;  // a picture in a marker or a table: nowhere to show it
    beginContent();
    flushRun();
    m_cursor.insertImage(format);
}

void RtfParser::finish()
{
    decodeBytes();
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        deliver(QStringView(&kReplacement, 1));
    }
    // The last \par ends the last paragraph; it does not start another.
    if (m_pendingBreak)
        return;
    if (!m_marker.isEmpty() && !m_paraHasContent && !paragraphIsList())
        addToRun(m_marker);
    flushRun();
    if (!m_paraFormatApplied)
        applyParagraphFormat();
}

QString RtfParser::fontName(int font) const
{
    const auto it = m_fonts.constFind(font < 0 ? m_defaultFont : font);
    if (it != m_fonts.cend())
        return it->name;
    const auto fallback = m_fonts.constFind(m_defaultFont);
    return fallback == m_fonts.cend() ? QString() : fallback->name;
}

QTextCharFormat RtfParser::charFormat(const CharState& s)
{
    const auto known = m_formats.constFind(s);
    if (known != m_formats.cend())
        return known.value();
    if (m_formats.size() >= 4096)
        m_formats.clear();
    QTextCharFormat format;
    const QString family = fontName(s.font);
    if (!family.isEmpty())
        format.setFontFamilies({family});
    format.setFontPointSize(s.halfPoints / 2.0);
    if (s.bold)
        format.setFontWeight(QFont::Bold);
    if (s.italic)
        format.setFontItalic(true);
    if (s.underline)
        format.setFontUnderline(true);
    if (s.strike)
        format.setFontStrikeOut(true);
    if (s.color > 0 && s.color < m_colors.size() && m_colors.at(s.color).isValid())
        format.setForeground(m_colors.at(s.color));
    if (s.background > 0 && s.background < m_colors.size() && m_colors.at(s.background).isValid())
        format.setBackground(m_colors.at(s.background));
    if (s.valign == VAlign::Sub)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else if (s.valign == VAlign::Super)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (s.link >= 0 && s.link < m_links.size()) {
        format.setAnchor(true);
        format.setAnchorHref(m_links.at(s.link));
    }
    m_formats.insert(s, format);
    return format;
}

bool looksLikeRtf(const QByteArray& data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.mid(i, 5) == "{\\rtf";
}

}  // namespace

bool RtfReader::read(QIODevice* device, QTextDocument* document)
{
    m_error.clear();
    if (!device || !document) {
        m_error = QStringLiteral("No data to read");
        return false;
    }
    try {
        const QByteArray data = device->readAll();
        if (!looksLikeRtf(data)) {
            m_error = device->errorString().isEmpty() || data.size() > 0
                          ? QStringLiteral("The data is not in Rich Text Format")
                          : device->errorString();
            return false;
        }
        const bool undo = document->isUndoRedoEnabled();
        // Loading is not an edit the user could undo; keeping it off the
        // stack also saves the memory of a copy of the whole file.
        document->setUndoRedoEnabled(false);
        document->clear();
        RtfParser parser(document);
        parser.parse(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
        document->setUndoRedoEnabled(undo);
        return true;
    } catch (const std::bad_alloc&) {
        m_error = QStringLiteral("Not enough memory to read the document");
        return false;
    }
}

}  // namespace qp
