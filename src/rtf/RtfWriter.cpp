#include "rtf/RtfWriter.h"

#include "rtf/RtfCodePage.h"
#include "rtf/RtfTextProperties.h"
#include "rtf/RtfUnits.h"

#include <QBuffer>
#include <QHash>
#include <QIODevice>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>
#include <new>

namespace qp {

namespace {

constexpr int kCodePage = 1252;

struct CharOut {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = 0;
    int background = 0;
    int valign = 0;  // 0 normal, 1 sub, 2 super
    bool hidden = false;
    int caps = 0;  // 0 as typed, 1 capitals, 2 small capitals

    bool operator==(const CharOut&) const = default;
};

// The look of one level of a written list.
struct LevelOut {
    QTextListFormat::Style style = QTextListFormat::ListDecimal;
    // The characters 0 to 8 stand for the numbers of those levels ("2.1").
    QString prefix;
    QString suffix = QStringLiteral(".");
    int start = 1;
    QString bullet;

    bool operator==(const LevelOut&) const = default;
};

// A list of the list table, with the levels its paragraphs use.
struct ListOut {
    std::array<std::optional<LevelOut>, 9> levels;
    // The number of the item last written at each level, as it shows.
    std::array<QString, 9> numbers;
};

bool isLevelPlaceholder(QChar c)
{
    return c.unicode() < 9;
}

// A prefix that shows the numbers of the items above ("2.1." before the
// third level's own number) with those numbers as level placeholders, so
// that the list numbers them itself; nothing when the prefix says more.
std::optional<QString> withLevelPlaceholders(const QString& prefix, const std::array<QString, 9>& numbers, int level)
{
    QString templated;
    qsizetype at = 0;
    int next = 0;
    bool found = false;
    while (at < prefix.size()) {
        const QChar c = prefix.at(at);
        if (!c.isLetterOrNumber()) {
            templated += isLevelPlaceholder(c) ? QChar(u' ') : c;
            ++at;
            continue;
        }
        while (next < level && (numbers[size_t(next)].isEmpty() || !QStringView(prefix).mid(at).startsWith(numbers[size_t(next)])))
            ++next;
        if (next >= level)
            return std::nullopt;
        templated += QChar(char16_t(next));
        at += numbers[size_t(next)].size();
        ++next;
        found = true;
    }
    if (!found)
        return std::nullopt;
    return templated;
}

bool isBulletStyle(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle || style == QTextListFormat::ListSquare
           || style == QTextListFormat::ListStyleUndefined;
}

LevelOut levelOut(const QTextListFormat& format)
{
    LevelOut level;
    level.style = format.style();
    if (isBulletStyle(level.style)) {
        level.bullet = listBullet(format);
        if (level.bullet.isEmpty())
            level.bullet = QStringLiteral("\u2022");
        return level;
    }
    level.prefix = format.numberPrefix();
    if (format.hasProperty(QTextFormat::ListNumberSuffix))
        level.suffix = format.numberSuffix();
    level.start = listStart(format);
    return level;
}

int listLevel(const QTextList* list)
{
    return std::clamp(list->format().indent() - 1, 0, 8);
}

class RtfEmitter {
public:
    explicit RtfEmitter(const QTextDocument* document);
    QByteArray run();

private:
    void writeBlock(const QTextBlock& block);
    void writeParagraphFormat(const QTextBlock& block);
    void writeListText(const QTextBlock& block);
    void writeListNumber(const QTextBlock& block, QTextList* list);
    int listNumber(QTextList* list);
    QByteArray listTables();
    void writeLevel(const LevelOut& look, int level);
    void writeLevelMarker(const LevelOut& look, int nfc);
    void writeFragment(const QTextFragment& fragment);
    void writeCharFormat(const CharOut& want);
    void writeImage(const QTextImageFormat& format);
    void writeText(const QString& text);
    void writeChar(char16_t c);

    void word(const char* name);
    void word(const char* name, int param);
    void literal(char c);
    void raw(const char* text) { m_out += text; m_delimit = false; }

    CharOut charOut(const QTextCharFormat& format);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    QByteArray header() const;

    const QTextDocument* m_doc;
    const RtfCodePage& m_page;
    QByteArray m_out;
    bool m_delimit = false;  // the last thing written was a control word
    CharOut m_current;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors;
    QHash<QRgb, int> m_colorIndex;
    // Lists by their \\ls number less one; the Qt lists written so far with theirs.
    std::vector<ListOut> m_lists;
    QHash<const QTextList*, int> m_listNumbers;
    int m_lastList = -1;  // of the paragraph before, -1: not a list paragraph
    int m_lastLevel = 0;
    int m_lastItemList = -1;  // of the last list paragraph, text between or not
    int m_defaultHalfPoints = 24;
    int m_indentTwips = 600;
};

RtfEmitter::RtfEmitter(const QTextDocument* document)
    : m_doc(document), m_page(RtfCodePage::get(kCodePage))
{
    const QFont font = document->defaultFont();
    fontIndex(font.family());
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    if (points > 0)
        m_defaultHalfPoints = std::clamp(qRound(points * 2), 2, 3276);
    m_indentTwips = pixelsToTwips(document->indentWidth());
}

QByteArray RtfEmitter::run()
{
    m_out.reserve(m_doc->characterCount() + m_doc->characterCount() / 4 + 256);
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next())
        writeBlock(block);
    const QByteArray lists = listTables();
    QByteArray result = header();
    result += lists;
    result.reserve(result.size() + m_out.size() + 2);
    result += m_out;
    result += "}\n";
    return result;
}

QByteArray RtfEmitter::header() const
{
    QByteArray h = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1";
    h += "{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i) {
        h += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        for (QChar c : m_fonts.at(i)) {
            const char16_t u = c.unicode();
            if (u == ';' || u < 0x20)
                continue;
            if (u == '\\' || u == '{' || u == '}')
                h += '\\' + QByteArray(1, static_cast<char>(u));
            else if (u < 0x80)
                h += static_cast<char>(u);
            else
                h += "\\u" + QByteArray::number(static_cast<qint16>(u)) + "\\'3f";
        }
        h += ";}";
    }
    h += "}\n{\\colortbl;";
    for (const QColor& c : m_colors)
        h += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" + QByteArray::number(c.blue()) + ';';
    h += "}\n{\\*\\generator Quillpress;}\n";
    return h;
}

void RtfEmitter::word(const char* name)
{
    m_out += '\\';
    m_out += name;
    m_delimit = true;
}

void RtfEmitter::word(const char* name, int param)
{
    m_out += '\\';
    m_out += name;
    m_out += QByteArray::number(param);
    m_delimit = true;
}

void RtfEmitter::literal(char c)
{
    if (m_delimit) {
        m_out += ' ';
        m_delimit = false;
    }
    m_out += c;
}

int RtfEmitter::fontIndex(const QString& family)
{
    const auto it = m_fontIndex.constFind(family);
    if (it != m_fontIndex.cend())
        return it.value();
    const int index = static_cast<int>(m_fonts.size());
    m_fonts.append(family);
    m_fontIndex.insert(family, index);
    return index;
}

int RtfEmitter::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb();
    const auto it = m_colorIndex.constFind(rgb);
    if (it != m_colorIndex.cend())
        return it.value();
    m_colors.append(QColor(rgb));
    const int index = static_cast<int>(m_colors.size());  // 0 is "automatic"
    m_colorIndex.insert(rgb, index);
    return index;
}

CharOut RtfEmitter::charOut(const QTextCharFormat& format)
{
    CharOut out;
    QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    if (families.isEmpty() && format.hasProperty(QTextFormat::FontFamily))
        families.append(format.stringProperty(QTextFormat::FontFamily));
    out.font = families.isEmpty() || families.first().isEmpty() ? 0 : fontIndex(families.first());

    double points = 0;
    if (format.hasProperty(QTextFormat::FontPointSize))
        points = format.fontPointSize();
    else if (format.hasProperty(QTextFormat::FontPixelSize))
        points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    out.halfPoints = points > 0 ? std::clamp(qRound(points * 2), 2, 3276) : m_defaultHalfPoints;

    out.bold = format.fontWeight() > QFont::Medium;
    out.italic = format.fontItalic();
    out.underline = format.fontUnderline();
    out.strike = format.fontStrikeOut();
    if (format.foreground().style() != Qt::NoBrush)
        out.color = colorIndex(format.foreground().color());
    if (format.background().style() != Qt::NoBrush)
        out.background = colorIndex(format.background().color());
    switch (format.verticalAlignment()) {
    case QTextCharFormat::AlignSubScript: out.valign = 1; break;
    case QTextCharFormat::AlignSuperScript: out.valign = 2; break;
    default: break;
    }
    out.hidden = isHiddenText(format);
    if (format.hasProperty(QTextFormat::FontCapitalization)) {
        switch (format.fontCapitalization()) {
        case QFont::AllUppercase: out.caps = 1; break;
        case QFont::SmallCaps: out.caps = 2; break;
        default: break;
        }
    }
    return out;
}

void RtfEmitter::writeCharFormat(const CharOut& want)
{
    if (want == m_current)
        return;
    if (want.font != m_current.font)
        word("f", want.font);
    if (want.halfPoints != m_current.halfPoints)
        word("fs", want.halfPoints);
    if (want.bold != m_current.bold)
        word(want.bold ? "b" : "b0");
    if (want.italic != m_current.italic)
        word(want.italic ? "i" : "i0");
    if (want.underline != m_current.underline)
        word(want.underline ? "ul" : "ulnone");
    if (want.strike != m_current.strike)
        word(want.strike ? "strike" : "strike0");
    if (want.color != m_current.color)
        word("cf", want.color);
    if (want.background != m_current.background)
        word("highlight", want.background);
    if (want.valign != m_current.valign)
        word(want.valign == 1 ? "sub" : want.valign == 2 ? "super" : "nosupersub");
    if (want.hidden != m_current.hidden)
        word(want.hidden ? "v" : "v0");
    if (want.caps != m_current.caps) {
        if (m_current.caps != 0)
            word(m_current.caps == 1 ? "caps0" : "scaps0");
        if (want.caps != 0)
            word(want.caps == 1 ? "caps" : "scaps");
    }
    m_current = want;
}

void RtfEmitter::writeBlock(const QTextBlock& block)
{
    writeListText(block);
    word("pard");
    writeParagraphFormat(block);

    QString linkHref;
    CharOut beforeLink;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat format = fragment.charFormat();
        const QString href = format.isAnchor() ? format.anchorHref() : QString();
        if (href != linkHref) {
            if (!linkHref.isEmpty()) {
                raw("}}}");
                m_current = beforeLink;
            }
            linkHref = href;
            if (!linkHref.isEmpty()) {
                beforeLink = m_current;
                raw("{\\field{\\*\\fldinst{HYPERLINK ");
                QString target = linkHref;
                if (target.startsWith(QLatin1Char('#'))) {
                    raw("\\\\l ");
                    target.remove(0, 1);
                }
                literal('"');
                writeText(QString(target).replace(QLatin1Char('"'), QLatin1String("%22")));
                literal('"');
                raw("}}{\\fldrslt{");
            }
        }
        writeFragment(fragment);
    }
    if (!linkHref.isEmpty()) {
        raw("}}}");
        m_current = beforeLink;
    }
    word("par");
    m_out += '\n';
    m_delimit = false;
}

void RtfEmitter::writeParagraphFormat(const QTextBlock& block)
{
    const QTextBlockFormat f = block.blockFormat();
    const Qt::Alignment align = f.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignJustify)
        word("qj");
    else if (align & Qt::AlignHCenter)
        word("qc");
    else if (align & (Qt::AlignRight | Qt::AlignTrailing) && !(align & Qt::AlignLeft))
        word("qr");

    QTextList* list = block.textList();
    int li = pixelsToTwips(f.leftMargin()) + f.indent() * m_indentTwips;
    if (list)
        li += std::max(1, list->format().indent()) * m_indentTwips;
    const int fi = pixelsToTwips(f.textIndent());
    const int ri = pixelsToTwips(f.rightMargin());
    const int sb = pixelsToTwips(f.topMargin());
    const int sa = pixelsToTwips(f.bottomMargin());
    if (fi)
        word("fi", std::clamp(fi, -kMaxTwips, kMaxTwips));
    if (li)
        word("li", std::clamp(li, -kMaxTwips, kMaxTwips));
    if (ri)
        word("ri", std::clamp(ri, -kMaxTwips, kMaxTwips));
    if (sb > 0)
        word("sb", std::min(sb, kMaxTwips));
    if (sa > 0)
        word("sa", std::min(sa, kMaxTwips));

    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (qRound(f.lineHeight()) != 100 && f.lineHeight() > 0) {
            word("sl", std::min(qRound(f.lineHeight() * 2.4), kMaxTwips));
            word("slmult", 1);
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        if (f.lineHeight() > 0) {
            word("sl", std::min(pixelsToTwips(f.lineHeight()), kMaxTwips));
            word("slmult", 0);
        }
        break;
    case QTextBlockFormat::FixedHeight:
        if (f.lineHeight() > 0) {
            word("sl", -std::min(pixelsToTwips(f.lineHeight()), kMaxTwips));
            word("slmult", 0);
        }
        break;
    default:
        break;
    }

    for (const QTextOption::Tab& tab : f.tabPositions()) {
        if (tab.type == QTextOption::RightTab)
            word("tqr");
        else if (tab.type == QTextOption::CenterTab)
            word("tqc");
        else if (tab.type == QTextOption::DelimiterTab)
            word("tqdec");
        word("tx", std::clamp(pixelsToTwips(tab.position), 0, kMaxTwips));
    }
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        word("pagebb");
    if (list)
        writeListNumber(block, list);
    else
        m_lastList = -1;
}

// The label as readers that know no list tables show it, in the font of the
// item's text.
void RtfEmitter::writeListText(const QTextBlock& block)
{
    if (!block.textList())
        return;
    const auto first = block.begin();
    const QTextCharFormat format =
        !first.atEnd() && !first.fragment().charFormat().isImageFormat() ? first.fragment().charFormat() : block.charFormat();
    const CharOut look = charOut(format);
    raw("{");
    word("listtext");
    word("f", look.font);
    word("fs", look.halfPoints);
    if (look.color)
        word("cf", look.color);
    writeText(listItemLabel(block));
    word("tab");
    raw("}");
}

void RtfEmitter::writeListNumber(const QTextBlock& block, QTextList* list)
{
    const int number = listNumber(list);
    const int level = listLevel(list);
    word("ls", number + 1);
    word("ilvl", level);
    std::array<QString, 9>& numbers = m_lists[size_t(number)].numbers;
    const QTextListFormat format = list->format();
    const int index = list->itemNumber(block);
    numbers[size_t(level)] = isBulletStyle(format.style()) || index < 0
                                 ? QString()
                                 : listNumberText(listStart(format) + index, format.style());
    for (int deeper = level + 1; deeper < 9; ++deeper)
        numbers[size_t(deeper)].clear();
    m_lastItemList = number;
}

// A list nested in the item before it shares that item's list, so that the
// levels stay one list for the reader; any other starts a list of its own.
int RtfEmitter::listNumber(QTextList* list)
{
    const int level = listLevel(list);
    const auto known = m_listNumbers.constFind(list);
    int number = -1;
    if (known != m_listNumbers.cend()) {
        number = known.value();
    } else {
        LevelOut look = levelOut(list->format());
        // A level that shows the numbers of the items above it ("2.1") goes
        // into their list with those numbers as placeholders, even after
        // text between (a heading's paragraphs), so that other programs
        // number it as one outline.
        if (m_lastItemList >= 0 && level > 0 && !look.prefix.isEmpty()) {
            const auto templated = withLevelPlaceholders(look.prefix, m_lists[size_t(m_lastItemList)].numbers, level);
            std::optional<LevelOut>& slot = m_lists[size_t(m_lastItemList)].levels[size_t(level)];
            if (templated) {
                look.prefix = *templated;
                if (!slot || *slot == look) {
                    slot = look;
                    number = m_lastItemList;
                }
            }
        }
        if (number < 0 && m_lastList >= 0 && m_lastLevel < level) {
            std::optional<LevelOut>& slot = m_lists[size_t(m_lastList)].levels[size_t(level)];
            if (!slot || *slot == look) {
                slot = look;
                number = m_lastList;
            }
        }
        if (number < 0) {
            m_lists.emplace_back();
            m_lists.back().levels[size_t(level)] = look;
            number = int(m_lists.size()) - 1;
        }
        m_listNumbers.insert(list, number);
    }
    m_lastList = number;
    m_lastLevel = level;
    return number;
}

void RtfEmitter::writeLevel(const LevelOut& look, int level)
{
    static const char digits[] = "0123456789abcdef";
    const auto byte = [&](int value) {
        m_out += "\\'";
        m_out += digits[(value >> 4) & 15];
        m_out += digits[value & 15];
        m_delimit = false;
    };
    raw("{");
    word("listlevel");
    int nfc = 0;
    switch (look.style) {
    case QTextListFormat::ListUpperRoman: nfc = 1; break;
    case QTextListFormat::ListLowerRoman: nfc = 2; break;
    case QTextListFormat::ListUpperAlpha: nfc = 3; break;
    case QTextListFormat::ListLowerAlpha: nfc = 4; break;
    case QTextListFormat::ListDecimal: nfc = 0; break;
    default: nfc = 23; break;
    }
    word("levelnfc", nfc);
    word("levelnfcn", nfc);
    word("leveljc", 0);
    word("leveljcn", 0);
    word("levelfollow", 0);
    word("levelstartat", look.start);
    writeLevelMarker(look, nfc);
    raw("{");
    word("leveltext");
    if (nfc == 23) {
        byte(int(std::min<qsizetype>(look.bullet.size(), 255)));
        writeText(look.bullet.left(255));
        raw(";}{\\levelnumbers;}");
    } else {
        const qsizetype length = look.prefix.size() + 1 + look.suffix.size();
        byte(int(std::min<qsizetype>(length, 255)));
        // \\levelnumbers: where in the text the level numbers stand, from 1.
        QByteArray numbers;
        for (qsizetype i = 0; i < look.prefix.size(); ++i) {
            const QChar c = look.prefix.at(i);
            if (isLevelPlaceholder(c)) {
                byte(c.unicode());
                numbers += char(std::min<qsizetype>(i + 1, 255));
            } else {
                writeText(QString(c));
            }
        }
        byte(level);
        numbers += char(std::min<qsizetype>(look.prefix.size() + 1, 255));
        writeText(look.suffix);
        raw(";}{\\levelnumbers");
        for (const char position : numbers)
            byte(static_cast<unsigned char>(position));
        raw(";}");
    }
    const int indent = (level + 1) * m_indentTwips;
    word("fi", -std::min(360, m_indentTwips));
    word("li", indent);
    word("lin", indent);
    raw("}");
}

// The label as the text system of macOS names it ("{decimal}.", "{hyphen}"),
// which TextEdit reads in place of the level text.
void RtfEmitter::writeLevelMarker(const LevelOut& look, int nfc)
{
    static const QHash<QString, const char*> kBullets = {{QStringLiteral("\u2022"), "disc"},
                                                         {QStringLiteral("\u25E6"), "circle"},
                                                         {QStringLiteral("\u25AA"), "square"},
                                                         {QStringLiteral("\u2043"), "hyphen"}};
    const auto name = [](int n) {
        switch (n) {
        case 1: return "upper-roman";
        case 2: return "lower-roman";
        case 3: return "upper-alpha";
        case 4: return "lower-alpha";
        default: return "decimal";
        }
    };
    raw("{\\*");
    word("levelmarker");
    if (nfc == 23) {
        const auto known = kBullets.constFind(look.bullet);
        if (known != kBullets.cend()) {
            raw("\\{");
            raw(known.value());
            raw("\\}");
        } else {
            writeText(look.bullet);
        }
    } else {
        // It has no numbers of other levels; their separators are what is left.
        QString prefix = look.prefix;
        prefix.removeIf(isLevelPlaceholder);
        writeText(prefix);
        raw("\\{");
        raw(name(nfc));
        raw("\\}");
        writeText(look.suffix);
    }
    raw("}");
}

QByteArray RtfEmitter::listTables()
{
    if (m_lists.empty())
        return {};
    QByteArray body = std::exchange(m_out, QByteArray());
    raw("{\\*\\listtable");
    for (size_t i = 0; i < m_lists.size(); ++i) {
        m_out += '\n';
        raw("{");
        word("list");
        word("listtemplateid", int(i) + 1);
        // Levels no paragraph uses still need a look: that of the level
        // above, or numbers.
        LevelOut inherited;
        for (int level = 0; level < 9; ++level) {
            const std::optional<LevelOut>& own = m_lists[i].levels[size_t(level)];
            if (own)
                inherited = *own;
            m_out += '\n';
            writeLevel(inherited, level);
        }
        raw("{\\listname ;}");
        word("listid", int(i) + 1);
        raw("}");
    }
    raw("}\n{\\*\\listoverridetable");
    for (size_t i = 0; i < m_lists.size(); ++i) {
        raw("{");
        word("listoverride");
        word("listid", int(i) + 1);
        word("listoverridecount", 0);
        word("ls", int(i) + 1);
        raw("}");
    }
    raw("}\n");
    return std::exchange(m_out, body);
}

void RtfEmitter::writeFragment(const QTextFragment& fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    if (format.isImageFormat()) {
        const QTextImageFormat image = format.toImageFormat();
        const qsizetype count = fragment.text().count(QChar::ObjectReplacementCharacter);
        for (qsizetype i = 0; i < count; ++i)
            writeImage(image);
        return;
    }
    writeCharFormat(charOut(format));
    writeText(fragment.text());
}

void RtfEmitter::writeImage(const QTextImageFormat& format)
{
    const QVariant resource = m_doc->resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image;
    if (resource.typeId() == QMetaType::QImage)
        image = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        image = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray)
        image.loadFromData(resource.toByteArray());
    if (image.isNull())
        return;

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;

    double width = format.width();
    double height = format.height();
    if (width <= 0 && height <= 0) {
        width = image.width();
        height = image.height();
    } else if (width <= 0) {
        width = height * image.width() / std::max(1, image.height());
    } else if (height <= 0) {
        height = width * image.height() / std::max(1, image.width());
    }
    raw("{\\pict");
    word("pngblip");
    word("picw", image.width());
    word("pich", image.height());
    word("picwgoal", std::clamp(pixelsToTwips(width), 1, kMaxTwips));
    word("pichgoal", std::clamp(pixelsToTwips(height), 1, kMaxTwips));
    m_out += '\n';
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < png.size(); ++i) {
        const auto b = static_cast<unsigned char>(png[i]);
        m_out += digits[b >> 4];
        m_out += digits[b & 15];
        if (i % 64 == 63)
            m_out += '\n';
    }
    raw("}");
}

void RtfEmitter::writeText(const QString& text)
{
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i].unicode();
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}') {
            if (m_delimit) {
                m_out += ' ';
                m_delimit = false;
            }
            m_out += static_cast<char>(c);
        } else {
            writeChar(c);
        }
    }
}

void RtfEmitter::writeChar(char16_t c)
{
    static const char digits[] = "0123456789abcdef";
    switch (c) {
    case '\\': raw("\\\\"); return;
    case '{': raw("\\{"); return;
    case '}': raw("\\}"); return;
    case '\t': word("tab"); return;
    case 0x2028: word("line"); return;
    case 0x00A0: raw("\\~"); return;
    case 0x00AD: raw("\\-"); return;
    case 0x2011: raw("\\_"); return;
    case QChar::ObjectReplacementCharacter:
    case 0xFDD0:  // frame boundaries: structure, not text
    case 0xFDD1:
        return;
    default:
        break;
    }
    if (c >= 0x20 && c < 0x7F) {
        literal(static_cast<char>(c));
        return;
    }
    if (c < 0x20) {
        m_out += "\\'";
        m_out += digits[c >> 4];
        m_out += digits[c & 15];
        m_delimit = false;
        return;
    }
    const int fallback = m_page.encode(c);
    word("u", static_cast<qint16>(c));
    const int b = fallback < 0 ? '?' : fallback;
    m_out += "\\'";
    m_out += digits[b >> 4];
    m_out += digits[b & 15];
    m_delimit = false;
}

}  // namespace

bool RtfWriter::write(QIODevice* device, const QTextDocument* document)
{
    m_error.clear();
    if (!device || !document) {
        m_error = QStringLiteral("Nothing to write");
        return false;
    }
    try {
        const QByteArray out = RtfEmitter(document).run();
        if (device->write(out) != out.size()) {
            m_error = device->errorString();
            if (m_error.isEmpty())
                m_error = QStringLiteral("The document could not be written");
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        m_error = QStringLiteral("Not enough memory to write the document");
        return false;
    }
}

}  // namespace qp
