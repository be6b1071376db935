#include "format/Tools_Format.h"

#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "store/Registry.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace qp {

namespace {

constexpr int kTabStops = 32;
constexpr int kFontSizeStep = 1;
constexpr int kIndentStep = 10;

const QString kFontName = QStringLiteral("Default_FontName");
const QString kFontSize = QStringLiteral("Default_FontSize");
const QString kStyleBold = QStringLiteral("Default_StyleBold");
const QString kStyleItalic = QStringLiteral("Default_StyleItalic");
const QString kStyleUnderline = QStringLiteral("Default_StyleUnderline");
const QString kAlignLeft = QStringLiteral("Default_AlignLeft");
const QString kAlignRight = QStringLiteral("Default_AlignRight");
const QString kAlignCenter = QStringLiteral("Default_AlignCenter");
const QString kTabSize = QStringLiteral("Default_TabSize");

QList<qreal> tabStops(int spacing)
{
    QList<qreal> stops;
    stops.reserve(kTabStops);
    for (int k = 1; k <= kTabStops; ++k)
        stops.append(qreal(k) * spacing);
    return stops;
}

void stepFontSize(RichEdit& editor, int delta)
{
    CharFormat format = editor.selectionCharFormat();
    format.sizePoints = wholePoints(format.sizePoints) + delta;
    editor.setSelectionCharFormat(format, CharAttribute::Size);
}

void stepIndent(RichEdit& editor, int delta)
{
    ParagraphFormat format = editor.selectionParagraphFormat();
    format.firstIndent = wholePoints(format.firstIndent) + delta;
    editor.setSelectionParagraphFormat(format, ParagraphAttribute::FirstIndent);
}

}  // namespace

QString textSpecificationsKey()
{
    return QStringLiteral("TextSpecifications");
}

int wholePoints(qreal points)
{
    // Through twentieths first, so that 9.99999 from a unit conversion still reads as 10.
    return int(std::lround(points * 20)) / 20;
}

int wholeNumberFromText(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

std::optional<DefaultFormat> readDefaultFormat(Registry& registry)
{
    const std::optional<RegKey> key = RegKey::openSettingsRead(registry, textSpecificationsKey());
    if (!key)
        return std::nullopt;
    // The window keeps its position under the same key: a key holding none of
    // the values has no format stored yet, and must not stop every load.
    const QString names[] = {kFontName,  kFontSize,  kStyleBold,   kStyleItalic, kStyleUnderline,
                             kAlignLeft, kAlignRight, kAlignCenter, kTabSize};
    if (std::none_of(std::begin(names), std::end(names), [&](const QString& name) { return key->valueExists(name); }))
        return std::nullopt;
    // A value missing from a format stored in part (an older version, a hand
    // edit) takes the built-in value, and the user is told once where and how
    // to mend it: a missing value must not stop every load.
    const DefaultFormat builtIn;
    QStringList missing;
    DefaultFormat format;
    // An absent name reads as empty, which keeps the text's face: nothing to tell.
    format.fontName = key->readString(kFontName);
    format.fontSize = key->readInteger(kFontSize, builtIn.fontSize, missing);
    format.bold = key->readFlag(kStyleBold, builtIn.bold, missing);
    format.italic = key->readFlag(kStyleItalic, builtIn.italic, missing);
    format.underline = key->readFlag(kStyleUnderline, builtIn.underline, missing);
    format.alignLeft = key->readFlag(kAlignLeft, builtIn.alignLeft, missing);
    format.alignRight = key->readFlag(kAlignRight, builtIn.alignRight, missing);
    format.alignCenter = key->readFlag(kAlignCenter, builtIn.alignCenter, missing);
    format.tabSize = key->readInteger(kTabSize, builtIn.tabSize, missing);
    key->tellMissing(missing, QStringLiteral("Press Default in Text Specifications to store the format again."));
    return format;
}

void writeDefaultFormat(Registry& registry, const DefaultFormat& format)
{
    RegKey key = RegKey::openSettingsWrite(registry, textSpecificationsKey());
    key.writeString(kFontName, format.fontName);
    key.writeInteger(kFontSize, format.fontSize);
    key.writeFlag(kStyleBold, format.bold);
    key.writeFlag(kStyleItalic, format.italic);
    key.writeFlag(kStyleUnderline, format.underline);
    key.writeFlag(kAlignLeft, format.alignLeft);
    key.writeFlag(kAlignRight, format.alignRight);
    key.writeFlag(kAlignCenter, format.alignCenter);
    key.writeInteger(kTabSize, format.tabSize);
}

void applyDefaultFormat(RichEdit& editor, const DefaultFormat& format)
{
    CharFormat character;
    character.fontName = format.fontName;
    character.sizePoints = format.fontSize;
    character.styles.setFlag(FontStyle::Bold, format.bold);
    character.styles.setFlag(FontStyle::Italic, format.italic);
    character.styles.setFlag(FontStyle::Underline, format.underline);
    // Strike-out is no part of the default format and stays as it is.
    editor.setSelectionCharFormat(character, CharAttribute::Bold | CharAttribute::Italic | CharAttribute::Underline
                                                 | CharAttribute::Name | CharAttribute::Size);

    // The last alignment flag that is on wins; with none on the alignment stays.
    ParagraphFormat paragraph;
    ParagraphAttributes which = ParagraphAttribute::TabStops;
    for (const auto& [on, alignment] : {std::pair{format.alignLeft, ParagraphAlignment::Left},
                                        std::pair{format.alignRight, ParagraphAlignment::Right},
                                        std::pair{format.alignCenter, ParagraphAlignment::Center}}) {
        if (on) {
            paragraph.alignment = alignment;
            which |= ParagraphAttribute::Alignment;
        }
    }
    paragraph.tabStops = tabStops(format.tabSize);
    editor.setSelectionParagraphFormat(paragraph, which);

    editor.setDefaultFontName(format.fontName);
    editor.setDefaultFontSize(format.fontSize);
}

void applyDefaultFormat(RichEdit& editor, const std::optional<DefaultFormat>& format)
{
    if (format)
        applyDefaultFormat(editor, *format);
}

void applyDefaultFormat(RichEdit& editor, Registry& registry)
{
    applyDefaultFormat(editor, readDefaultFormat(registry));
}

void setTabSpacing(RichEdit& editor, int points)
{
    ParagraphFormat paragraph;
    paragraph.tabStops = tabStops(points);
    editor.setSelectionParagraphFormat(paragraph, ParagraphAttribute::TabStops);
}

void formatIncreaseFontsize(RichEdit& editor)
{
    stepFontSize(editor, kFontSizeStep);
}

void formatDecreaseFontsize(RichEdit& editor)
{
    stepFontSize(editor, -kFontSizeStep);
}

void formatIncreaseIndent(RichEdit& editor)
{
    stepIndent(editor, kIndentStep);
}

void formatDecreaseIndent(RichEdit& editor)
{
    stepIndent(editor, -kIndentStep);
}

void formatCopyFormat(RichEdit& editor, FormatMemory& memory)
{
    const CharFormat character = editor.selectionCharFormat();
    const ParagraphFormat paragraph = editor.selectionParagraphFormat();
    memory.filled = true;
    memory.size = wholePoints(character.sizePoints);
    memory.name = character.fontName;
    memory.style = character.styles;
    memory.alignment = paragraph.alignment;
    memory.tab = paragraph.tabStops.isEmpty() ? 0 : wholePoints(paragraph.tabStops.first());
}

void formatPasteFormat(RichEdit& editor, const FormatMemory& memory)
{
    // An empty memory would ask for a size of 0 and no face: text shrunk to nothing.
    if (!memory.filled)
        return;
    const UndoStep step(editor);
    CharFormat character;
    character.sizePoints = memory.size;
    character.fontName = memory.name;
    character.styles = memory.style;
    editor.setSelectionCharFormat(character, CharAttribute::Size | CharAttribute::Name | CharAttribute::Bold
                                                 | CharAttribute::Italic | CharAttribute::Underline
                                                 | CharAttribute::StrikeOut);
    ParagraphFormat paragraph;
    paragraph.alignment = memory.alignment;
    paragraph.tabStops = tabStops(memory.tab);
    editor.setSelectionParagraphFormat(paragraph, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
}

void formatRemoveFormat(FormatHost& host)
{
    if (host.messages().confirm(QStringLiteral("Remove ALL formatting and set font to default?"), Buttons::YesNo)
        != Answer::Yes)
        cancel();
    RichEdit& editor = host.editor();
    const QString text = editor.selText();
    const UndoStep step(editor);

    // No styles and the automatic colour.
    editor.setSelectionCharFormat(CharFormat{}, CharAttribute::Bold | CharAttribute::Italic | CharAttribute::Underline
                                                    | CharAttribute::StrikeOut | CharAttribute::Color);
    editor.setSelectionParagraphFormat(ParagraphFormat{}, ParagraphAttribute::Alignment
                                                              | ParagraphAttribute::FirstIndent
                                                              | ParagraphAttribute::LeftIndent
                                                              | ParagraphAttribute::RightIndent
                                                              | ParagraphAttribute::Bullet);
    // A default format missing a value ends the command here, the text not yet replaced.
    applyDefaultFormat(editor, host.registry());

    // Plain characters only, in the one format the selection now starts with.
    editor.replaceSelection(text);
    editor.setBackgroundColor(QGuiApplication::palette().color(QPalette::Base));
}

}  // namespace qp
