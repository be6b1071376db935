#include "rtf/RtfParser.h"

#include "rtf/RtfTextProperties.h"

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
    // Numbers before the paragraph's own ("2.1" in "2.1.3") are those of the
    // items above it, shown as the writer's program showed them.
    label.prefix = text.left(start);
    return label;
}

ListKind RtfParser::listKind(const ParaState& para) const
{
    if (para.ls > 0) {
        const auto def = m_listDefs.constFind(m_lsToList.value(para.ls, -1));
        if (def == m_listDefs.cend() || def->isEmpty())
            return ListKind::Bullet;
        return para.ilvl < def->size() ? def->at(para.ilvl).kind : ListKind::Decimal;
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
    // A list item's hanging first line is the room for its label, which
    // the list's own indent gives; taken again, it pushes the label off the page.
    if (para.fi && !(kind != ListKind::None && para.fi < 0))
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
        // An item starts the numbering of the levels below it again.
        for (int deeper = level + 1; deeper < 9; ++deeper)
            m_lsLists.remove(qint64(para.ls) * 16 + deeper);
        // A level that shows the numbers above it ("2.1") is a list of its
        // own under each of their items.
        if (list && list->format().numberPrefix() != listFormat(para, kind, label).numberPrefix())
            list = nullptr;
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
            if (pn->list && listStart(pn->list->format()) + pn->list->count() == label.number)
                list = pn->list;
        } else if (m_pnList && m_pnListKind == kind) {
            list = m_pnList;
        }
    }
    if (list) {
        list->add(m_cursor.block());
    } else {
        list = m_cursor.createList(listFormat(para, kind, label));
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

QTextListFormat RtfParser::listFormat(const ParaState& para, ListKind kind, const MarkerLabel& label) const
{
    const int level = para.ls > 0 ? para.ilvl : 0;
    QTextListFormat format;
    format.setStyle(styleFor(kind));
    format.setIndent(level + 1);
    QString prefix = label.prefix;
    QString suffix = label.suffix;
    int start = label.number > 0 ? label.number : para.pnStart;
    if (para.ls > 0) {
        start = 1;
        const QList<ListLevel> levels = m_listDefs.value(m_lsToList.value(para.ls, -1));
        if (level < levels.size()) {
            const ListLevel& def = levels.at(level);
            start = def.start;
            if (kind == ListKind::Bullet) {
                const qsizetype length = def.text.isEmpty() ? 0 : def.text.at(0).unicode();
                const QString glyph = bulletGlyph(def.text.mid(1, length), fontName(def.font)).trimmed();
                if (glyph == QStringLiteral("\u25E6") || glyph == QStringLiteral("o"))
                    format.setStyle(QTextListFormat::ListCircle);
                else if (glyph == QStringLiteral("\u25AA") || glyph == QStringLiteral("\u25A0"))
                    format.setStyle(QTextListFormat::ListSquare);
                if (!glyph.isEmpty() && glyph != listBullet(format))
                    format.setProperty(textprop::ListBullet, glyph);
            } else if (const auto affixes = levelAffixes(def.text, level)) {
                prefix = affixes->first;
                suffix = affixes->second;
                // The numbers of the levels above ("2.1."): Qt's list has one
                // counter, so they go into the prefix, as the paragraph's
                // marker shows them or else as the items above are numbered.
                if (std::any_of(prefix.cbegin(), prefix.cend(), isLevelPlaceholder))
                    prefix = label.number > 0 && !label.prefix.isEmpty() ? label.prefix
                                                                         : outerLevelNumbers(para.ls, levels, prefix);
            }
        }
        const QList<int> overrides = m_lsStarts.value(para.ls);
        if (level < overrides.size() && overrides.at(level) > 0)
            start = overrides.at(level);
        // A list that begins here begins at the number its marker shows, as
        // in a part of a longer document.
        if (label.number > 0)
            start = label.number;
    }
    if (kind == ListKind::Bullet)
        return format;
    if (!prefix.isEmpty())
        format.setNumberPrefix(prefix);
    if (suffix != QLatin1String("."))
        format.setNumberSuffix(suffix);
    if (start != 1)
        format.setProperty(textprop::ListStart, start);
    return format;
}

bool isLevelPlaceholder(QChar c)
{
    return c.unicode() < 9;
}

std::optional<std::pair<QString, QString>> levelAffixes(const QString& levelText, int level)
{
    if (levelText.isEmpty())
        return std::nullopt;
    const QString text = levelText.mid(1, levelText.at(0).unicode());
    const qsizetype own = text.indexOf(QChar(char16_t(level)));
    if (own < 0)
        return std::nullopt;
    QString prefix = text.left(own);
    QString suffix = text.mid(own + 1);
    const auto next = std::find_if(suffix.cbegin(), suffix.cend(), isLevelPlaceholder);
    suffix.truncate(next - suffix.cbegin());
    return std::pair{prefix, suffix};
}

// A level text's prefix with each level's placeholder replaced by the number
// of that level's current item: the start number where it has none yet.
QString RtfParser::outerLevelNumbers(int ls, const QList<ListLevel>& levels, const QString& prefix) const
{
    QString numbers;
    for (const QChar c : prefix) {
        if (!isLevelPlaceholder(c)) {
            numbers += c;
            continue;
        }
        const int outer = c.unicode();
        const ListKind kind = outer < levels.size() ? levels.at(outer).kind : ListKind::Decimal;
        if (kind == ListKind::Bullet || kind == ListKind::None)
            continue;
        int number = outer < levels.size() ? levels.at(outer).start : 1;
        if (const QTextList* list = m_lsLists.value(qint64(ls) * 16 + outer).data(); list && list->count() > 0)
            number = listStart(list->format()) + list->count() - 1;
        numbers += listNumberText(number, styleFor(kind));
    }
    return numbers;
}

QString bulletGlyph(const QString& text, const QString& font)
{
    const bool wingdings = font.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive);
    const bool symbol = wingdings || font.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
    QString glyph;
    for (QChar ch : text) {
        char16_t c = ch.unicode();
        if (c < 0x20)
            continue;
        // Symbol fonts' characters also come as their private-use code points.
        const bool symbolChar = symbol || (c >= 0xF020 && c <= 0xF0FF);
        if (c >= 0xF020 && c <= 0xF0FF)
            c &= 0xFF;
        if (!symbolChar) {
            glyph += QChar(c);
            continue;
        }
        switch (c) {
        case 0xB7: glyph += QChar(0x2022); break;  // Symbol's bullet
        case 0xA7: glyph += QChar(wingdings ? 0x25AA : 0x2663); break;
        case 0xA8: glyph += QChar(wingdings ? 0x25FB : 0x2666); break;
        case 0x6E: glyph += QChar(wingdings ? 0x25A0 : 0x03B7); break;
        case 0x71: glyph += QChar(wingdings ? 0x2751 : 0x03B8); break;
        case 0x75: glyph += QChar(wingdings ? 0x25C6 : 0x03C5); break;
        case 0x76: glyph += QChar(wingdings ? 0x2756 : 0x03D6); break;
        case 0xD8: glyph += QChar(wingdings ? 0x27A2 : 0x00AC); break;
        case 0xFC: glyph += QChar(wingdings ? 0x2713 : 0x2022); break;
        case 0x6F: glyph += QChar(0x25E6); break;
        case 0x2D: glyph += QChar(0x2212); break;
        default: glyph += QChar(0x2022); break;
        }
    }
    return glyph;
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
    if (s.hidden)
        format.setProperty(textprop::Hidden, true);
    if (s.caps)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (s.smallCaps)
        format.setFontCapitalization(QFont::SmallCaps);
    if (s.link >= 0 && s.link < m_links.size()) {
        format.setAnchor(true);
        format.setAnchorHref(m_links.at(s.link));
    }
    m_formats.insert(s, format);
    return format;
}

}  // namespace qp::rtfread
