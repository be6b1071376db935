#include "rtf/RtfReader.h"

#include "rtf/RtfControlWords.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfUnits.h"

#include <QIODevice>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace qp::rtfread {

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

bool RtfParser::parse(std::string_view data)
{
    m_cursor.beginEditBlock();
    RtfTokenizer tokenizer(data);
    m_tokenizer = &tokenizer;
    m_data = data;
    readTokens();
    if (!m_stopped)
        finish();
    m_tokenizer = nullptr;
    m_cursor.endEditBlock();
    return !m_stopped;
}

void RtfParser::readTokens()
{
    std::uint32_t count = 0;
    for (RtfToken token = m_tokenizer->next(); token.type != RtfToken::Type::End && !m_ended; token = m_tokenizer->next()) {
        if (m_watch && ++count % 8192 == 0
            && !m_watch(static_cast<int>(m_tokenizer->position() * 100 / std::max<std::size_t>(1, m_data.size())))) {
            m_stopped = true;
            return;
        }
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
            if (state().dest != Dest::Skip && state().dest != Dest::Pict && state().dest != Dest::Shape)
                m_bytes.append(static_cast<char>(token.symbol));
            break;
        case RtfToken::Type::Text: handleText(token.text); break;
        case RtfToken::Type::End: break;
        }
    }
}

// The document ends with its outermost group. What follows is junk (padding,
// the rest of a disk block) unless the file goes on to a closing brace of its
// own: then an early brace closed the group, and the text after it is the
// document's.
bool RtfParser::documentEndsHere() const
{
    const std::string_view rest = m_data.substr(std::min(m_tokenizer->position(), m_data.size()));
    const std::size_t last = rest.find_last_not_of(std::string_view(" \t\r\n\0", 5));
    if (last == std::string_view::npos || rest[last] != '}')
        return true;
    return std::any_of(rest.begin(), rest.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\r' && u != '\n';
    });
}

void RtfParser::handleText(std::string_view text)
{
    switch (state().dest) {
    case Dest::Skip:
    case Dest::Shape:
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
        if (!m_fields.isEmpty() && m_fields.last().instruction.size() < 4096)
            m_fields.last().instruction += text;
        break;
    case Dest::Marker:
        if (m_marker.size() < kMaxMarker)
            m_marker += text;
        break;
    case Dest::LevelText:
        if (m_levelText.size() < kMaxMarker)
            m_levelText += text;
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
    inner.endsNestedRow = false;
    inner.ownsNote = false;
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
    if (m_stack.size() == 1 && !m_inNote && !m_readsPastEnd) {
        // Once the rest is known to be the document's, it stays so.
        m_ended = documentEndsHere();
        m_readsPastEnd = !m_ended;
    }
}

void RtfParser::setDest(Dest dest)
{
    state().dest = dest;
    state().ownsDest = true;
}

void RtfParser::endDestination(const GroupState& closing)
{
    if (closing.ownsField && !m_fields.isEmpty())
        endField(m_fields.takeLast());
    if (!closing.ownsDest)
        return;
    if (closing.ownsNote) {
        endNote(m_tokenizer->position() - 1);  // before its closing brace
        return;
    }
    if (closing.endsNestedRow && state().dest == Dest::Body) {
        m_cellPending = false;
        endParagraph();
        return;
    }
    switch (closing.dest) {
    case Dest::Pict:
        if (state().dest != Dest::Pict)
            finishPicture();
        break;
    case Dest::Pn:
        if (state().dest != Dest::Pn) {
            state().para.pn = m_pnScratch;
            state().para.pnStart = m_pnStartScratch;
        }
        break;
    case Dest::LevelText:
        if (state().dest == Dest::ListTable && !m_listLevels.isEmpty())
            m_listLevels.last().text = m_levelText;
        break;
    default:
        break;
    }
}

// Fields show their stored result. A SYMBOL field is one character, and
// writers often store none, so an empty result shows the character.
void RtfParser::endField(const Field& field)
{
    if (state().dest != Dest::Body || (field.resultMark >= 0 && bodyMark() != field.resultMark))
        return;
    if (const std::optional<SymbolField> symbol = symbolField(field.instruction))
        insertSymbol(*symbol);
}

void RtfParser::insertSymbol(const SymbolField& symbol)
{
    CharState& chr = state().chr;
    const int textFont = chr.font;
    if (!symbol.font.isEmpty()) {
        int found = -1;
        int unused = 0;
        for (auto it = m_fonts.cbegin(); it != m_fonts.cend(); ++it) {
            if (it->name.compare(symbol.font, Qt::CaseInsensitive) == 0)
                found = it.key();
            unused = std::max(unused, it.key() + 1);
        }
        if (found < 0 && m_fonts.size() < kMaxTableEntries && unused < std::numeric_limits<int>::max()) {
            // A symbol font has one byte per character.
            m_fonts.insert(unused, Font{symbol.font, 1252, true});
            found = unused;
        }
        if (found >= 0)
            chr.font = found;
    }
    m_page = nullptr;
    QString text;
    const char32_t code = symbol.code;
    if (symbol.encoding == SymbolField::Encoding::ShiftJis && code <= 0xFFFF) {
        const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const bool single = code <= 0xFF;
        RtfCodePage::get(932).decode(single ? pair + 1 : pair, single ? 1 : 2, text);
    } else if (symbol.encoding == SymbolField::Encoding::Ansi && (code <= 0xFF || (code >= 0xF000 && code <= 0xF0FF))) {
        // Symbol fonts' characters also come as their private-use code points.
        const char byte = static_cast<char>(code & 0xFF);
        codePage().decode(&byte, 1, text);
    } else {
        text = QString::fromUcs4(&code, 1);
    }
    appendBody(text);
    chr.font = textFont;
    m_page = nullptr;
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
        if (m_fields.size() < kMaxDepth) {
            m_fields.append(Field{});
            s.ownsField = true;
        }
        break;
    case RtfWord::FldInst:
        setDest(Dest::FieldInst);
        break;
    case RtfWord::FldRslt: {
        setDest(Dest::Body);
        if (m_fields.isEmpty())
            break;
        m_fields.last().resultMark = bodyMark();
        const QString target = hyperlinkTarget(m_fields.last().instruction);
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
        m_pnStartScratch = 0;
        break;
    case RtfWord::ListTable: setDest(Dest::ListTable); break;
    case RtfWord::List:
        if (s.dest == Dest::ListTable)
            m_listLevels.clear();
        break;
    case RtfWord::ListLevel:
        if (s.dest == Dest::ListTable && m_listLevels.size() < 9)
            m_listLevels.append(ListLevel{});
        break;
    case RtfWord::LevelText:
        if (s.dest == Dest::ListTable) {
            setDest(Dest::LevelText);
            m_levelText.clear();
        } else {
            setDest(Dest::Skip);
        }
        break;
    case RtfWord::ListOverrideTable: setDest(Dest::ListOverride); break;
    case RtfWord::ListOverride:
        if (s.dest == Dest::ListOverride)
            m_overrideStarts.clear();
        break;
    case RtfWord::LfoLevel:
        if (s.dest == Dest::ListOverride && m_overrideStarts.size() < 9)
            m_overrideStarts.append(0);
        break;
    case RtfWord::Upr:
        s.inUpr = true;
        s.uprParent = s.dest;
        setDest(Dest::Skip);
        break;
    case RtfWord::Ud: break;
    case RtfWord::Skipped: setDest(Dest::Skip); break;
    case RtfWord::Footnote:
        if (s.dest == Dest::Body && !m_inNote && m_openNote < 0)
            beginNote();
        setDest(Dest::Skip);
        break;
    // A text box's text follows the body with the notes, where the editor,
    // which places no drawing objects, can show it; what the file offers
    // instead of the drawing for older readers then goes.
    case RtfWord::Shp:
        m_shapeText = false;
        break;
    case RtfWord::ShpInst: setDest(s.dest == Dest::Body ? Dest::Shape : Dest::Skip); break;
    case RtfWord::ShpTxt:
        if (s.dest == Dest::Shape && !m_inNote && m_openNote < 0) {
            m_shapeText = true;
            QString anchor = std::exchange(m_anchorNumber, QString());
            beginNote();
            m_anchorNumber = std::move(anchor);
        }
        setDest(Dest::Skip);
        break;
    case RtfWord::ShpRslt:
        if (m_shapeText)
            setDest(Dest::Skip);
        break;
    case RtfWord::Chftn:
        if (s.dest == Dest::Body)
            anchorNote();
        break;
    case RtfWord::FtnAlt: break;
    case RtfWord::FtnNumbering:
    case RtfWord::AftnNumbering: {
        const std::string_view kind = token.text.substr(info.word == RtfWord::FtnNumbering ? 4 : 5);
        const NoteNumbering numbering = kind == "alc"   ? NoteNumbering::LowerAlpha
                                        : kind == "auc" ? NoteNumbering::UpperAlpha
                                        : kind == "rlc" ? NoteNumbering::LowerRoman
                                        : kind == "ruc" ? NoteNumbering::UpperRoman
                                        : kind == "chi" ? NoteNumbering::Chicago
                                                        : NoteNumbering::Arabic;
        (info.word == RtfWord::FtnNumbering ? m_footnoteNumbering : m_endnoteNumbering) = numbering;
        break;
    }
    case RtfWord::FtnStart: m_footnoteStart = std::clamp(p, 1, 32767); break;
    case RtfWord::AftnStart: m_endnoteStart = std::clamp(p, 1, 32767); break;
    case RtfWord::NestTableProps:
        // A nested row's properties, \nestrow among them, come in a group of
        // their own after its cells: its end is where the row ends.
        s.endsNestedRow = s.dest == Dest::Body;
        setDest(Dest::Skip);
        break;

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
        if (s.dest == Dest::ListTable && !m_listLevels.isEmpty())
            m_listLevels.last().font = p;
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
    case RtfWord::V: c.hidden = on; break;
    case RtfWord::Caps: c.caps = on; break;
    case RtfWord::SCaps: c.smallCaps = on; break;

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
        if (s.dest == Dest::ListOverride) {
            m_lsToList.insert(p, m_overrideListId);
            if (std::any_of(m_overrideStarts.cbegin(), m_overrideStarts.cend(), [](int n) { return n > 0; }))
                m_lsStarts.insert(p, m_overrideStarts);
            else
                m_lsStarts.remove(p);
        } else
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
    case RtfWord::PnStart: m_pnStartScratch = std::clamp(p, 0, 32767); break;

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
            m_listLevels.last().kind = kindForNfc(p);
        break;
    case RtfWord::LevelStartAt:
        if (s.dest == Dest::ListTable && !m_listLevels.isEmpty())
            m_listLevels.last().start = std::clamp(p, 0, 32767);
        else if (s.dest == Dest::ListOverride && !m_overrideStarts.isEmpty())
            m_overrideStarts.last() = std::clamp(p, 0, 32767);
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
    const QTextCharFormat format = charFormat(m_runState);
    // Typing at the start of the paragraph, and the caret's format there,
    // follow its first text rather than the control's default font.
    if (m_cursor.atBlockStart() && m_cursor.blockCharFormat() != format)
        m_cursor.setBlockCharFormat(format);
    m_cursor.insertText(m_runText, format);
    m_runText.resize(0);  // keeps the buffer for the next run
}

}  // namespace qp::rtfread

namespace qp {

namespace {

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
        rtfread::RtfParser parser(document);
        parser.setWatch(m_watch);
        const bool whole = parser.parse(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
        document->setUndoRedoEnabled(undo);
        if (!whole)
            m_error = QStringLiteral("The reading was stopped");
        return whole;
    } catch (const std::bad_alloc&) {
        m_error = QStringLiteral("Not enough memory to read the document");
        return false;
    }
}

}  // namespace qp
