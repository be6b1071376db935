#include "rtf/RtfParser.h"

#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <algorithm>

// Paragraphs, lists, pictures and character formats, as the parser puts them into the document.

namespace qp::rtfread {

namespace {

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

bool isRomanDigit(QChar c, bool upper)
{
    return QStringView(upper ? u"IVXLCDM" : u"ivxlcdm").contains(c);
}

int romanValue(QStringView digits)
{
    const auto value = [](QChar c) {
        switch (c.toLower().unicode()) {
        case 'i': return 1;
        case 'v': return 5;
        case 'x': return 10;
        case 'l': return 50;
        case 'c': return 100;
        case 'd': return 500;
        default: return 1000;
        }
    };
    int total = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int v = value(digits[i]);
        total += (i + 1 < digits.size() && value(digits[i + 1]) > v) ? -v : v;
    }
    return total;
}

}  // namespace

MarkerLabel parseMarker(const QString& marker, ListKind kind)
{
    MarkerLabel label;
    const QString text = marker.trimmed();
    if (kind == ListKind::Bullet || kind == ListKind::None || text.isEmpty())
        return label;
    const bool upper = kind == ListKind::UpperAlpha || kind == ListKind::UpperRoman;
    const auto isDigit = [&](QChar c) {
        switch (kind) {
        case ListKind::Decimal: return c >= u'0' && c <= u'9';
        case ListKind::UpperRoman:
        case ListKind::LowerRoman: return isRomanDigit(c, upper);
        default: return upper ? (c >= u'A' && c <= u'Z') : (c >= u'a' && c <= u'z');
        }
    };
    // The paragraph's own number is the last one: "2.3." numbers the third item.
    qsizetype end = text.size();
    while (end > 0 && !isDigit(text[end - 1]))
        --end;
    qsizetype start = end;
    while (start > 0 && isDigit(text[start - 1]))
        --start;
    // Nine digits fit an int; letters count in base 26, so six of them do.
    const bool letters = kind != ListKind::Decimal && kind != ListKind::UpperRoman && kind != ListKind::LowerRoman;
    if (start == end || end - start > (letters ? 6 : 9))
        return label;
    const QStringView digits = QStringView(text).mid(start, end - start);
    switch (kind) {
    case ListKind::Decimal:
        label.number = digits.toInt();
        break;
    case ListKind::UpperRoman:
    case ListKind::LowerRoman:
        label.number = romanValue(digits);
        break;
    default:
        for (QChar c : digits)
            label.number = label.number * 26 + (c.toLower().unicode() - 'a' + 1);
        break;
    }
    label.suffix = text.mid(end);
    // A prefix with numbers in it belongs to the outer levels, which a list here does not show.
    const QString prefix = text.left(start);
    if (!std::any_of(prefix.begin(), prefix.end(), [](QChar c) { return c.isLetterOrNumber(); }))
        label.prefix = prefix;
    return label;
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

void RtfParser::endParagraph()
{
    if (m_pendingBreak)
        startBlock();
    if (!m_paraHasContent && !m_marker.isEmpty() && !paragraphIsList())
        addToRun(m_marker);
    m_cellPending = false;
    flushRun();
    applyParagraphFormat();
    m_marker.clear();
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
    m_cursor.insertBlock(blockFormat(m_blockPara, m_blockPageBreak), charFormat(state().chr));
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
    // The marker text is the label the writer showed, so it tells how the
    // number is punctuated and, for old-style lists, which list a paragraph
    // continues: one interrupted by another list goes on where it stopped.
    const MarkerLabel label = parseMarker(m_marker, kind);
    QTextList* list = nullptr;
    PnList* pn = nullptr;
    if (para.ls > 0) {
        list = m_lsLists.value(qint64(para.ls) * 16 + level).data();
    } else {
        const auto same = [&](const PnList& p) {
            return p.kind == kind && p.li == para.li && p.prefix == label.prefix && p.suffix == label.suffix;
        };
        const auto it = std::find_if(m_pnLists.begin(), m_pnLists.end(), same);
        if (it != m_pnLists.end()) {
            pn = &*it;
        } else {
            if (m_pnLists.size() >= 64)
                m_pnLists.erase(m_pnLists.begin());
            m_pnLists.push_back(PnList{kind, para.li, label.prefix, label.suffix, nullptr});
            pn = &m_pnLists.back();
        }
        if (label.number > 0) {
            if (pn->list && pn->list->count() + 1 == label.number)
                list = pn->list;
        } else if (m_pnList && m_pnListKind == kind) {
            list = m_pnList;
        }
    }
    if (list) {
        list->add(m_cursor.block());
    } else {
        QTextListFormat listFormat;
        listFormat.setStyle(styleFor(kind));
        listFormat.setIndent(level + 1);
        if (!label.prefix.isEmpty())
            listFormat.setNumberPrefix(label.prefix);
        if (label.suffix != QLatin1String("."))
            listFormat.setNumberSuffix(label.suffix);
        list = m_cursor.createList(listFormat);
        if (para.ls > 0)
            m_lsLists.insert(qint64(para.ls) * 16 + level, list);
    }
    if (pn)
        pn->list = list;
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
    endBody();
    if (m_openNote >= 0)
        endNote(m_data.size());
    if (!m_notes.empty())
        appendNotes();
}

void RtfParser::endBody()
{
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

}  // namespace qp::rtfread
