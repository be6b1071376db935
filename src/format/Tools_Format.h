#pragma once

#include "editor/RichEdit.h"

#include <QRect>
#include <QString>

#include <functional>
#include <optional>

namespace qp {

class MessageService;
class Registry;

// Character and paragraph formatting of the selection: the stored default
// format, the font size and indent steps and the format painter. Sizes and
// positions go to and from the editor in whole points.

// The subkey of the settings root that holds the default format and the
// Text Specifications window's position.
QString textSpecificationsKey();

// The default format as stored; the member values are those a fresh install writes.
struct DefaultFormat {
    QString fontName = QStringLiteral("Courier New");
    int fontSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool alignLeft = true;
    bool alignRight = false;
    bool alignCenter = false;
    int tabSize = 0;  // points; 0 leaves the editor's own tab spacing
};

// Nothing when the subkey does not exist or holds none of the values (only
// the window's position). A missing value takes its built-in value (the
// member's) and is told through the registry's missing-values handler; a
// value of the wrong type throws the store's error, so nothing is applied
// from a damaged format.
std::optional<DefaultFormat> readDefaultFormat(Registry& registry);
void writeDefaultFormat(Registry& registry, const DefaultFormat& format);
// Puts the format on the selection and makes its face and size the editor's default font.
void applyDefaultFormat(RichEdit& editor, const DefaultFormat& format);
void applyDefaultFormat(RichEdit& editor, const std::optional<DefaultFormat>& format);
// Reads the stored format and applies it; does nothing without one.
void applyDefaultFormat(RichEdit& editor, Registry& registry);

// The selected paragraphs get 32 tab stops, the k-th at k x points; 0 leaves
// the editor's own spacing in force.
void setTabSpacing(RichEdit& editor, int points);

// A length the editor reports, as the whole points the program works in:
// truncated, as a count of twentieths divided by 20 would be.
int wholePoints(qreal points);

// The whole number a field holds; throws "'%s' is not a valid integer value".
int wholeNumberFromText(const QString& text);

// The format painter's one slot, kept for the life of the program and shared by every document.
struct FormatMemory {
    // Nothing has been copied yet: Paste Format then changes nothing.
    bool filled = false;
    int size = 0;
    QString name;
    FontStyles style;
    ParagraphAlignment alignment = ParagraphAlignment::Left;
    int tab = 0;
};

// What the format commands and the Text Specifications window need of the main window.
class FormatHost {
public:
    virtual ~FormatHost() = default;
    virtual RichEdit& editor() = 0;
    virtual Registry& registry() = 0;
    virtual MessageService& messages() = 0;
    // The one guard of entries from the event loop.
    virtual bool guarded(const std::function<void()>& work) = 0;
    virtual bool rememberDialogPosition() = 0;
    virtual QRect mainWindowFrame() = 0;
};

// Action_Format_IncreaseFontsize and DecreaseFontsize: the selection's size plus or minus one point.
void formatIncreaseFontsize(RichEdit& editor);
void formatDecreaseFontsize(RichEdit& editor);
// Action_Format_IncreaseIndent and DecreaseIndent: the first-line indent plus
// or minus ten points, the rest of each paragraph moving with it. No bound:
// what the editor makes of an indent below 0 is its own business.
void formatIncreaseIndent(RichEdit& editor);
void formatDecreaseIndent(RichEdit& editor);
// Action_Format_CopyFormat: size, face, the four styles, alignment and first tab stop into the memory.
void formatCopyFormat(RichEdit& editor, FormatMemory& memory);
// Action_Format_PasteFormat: the memory onto the selection, as one undo step;
// styles the memory lacks are cleared; 32 tab stops from the memory's first.
// Before any Copy Format it does nothing.
void formatPasteFormat(RichEdit& editor, const FormatMemory& memory);
// Action_Format_RemoveFormat: after a Yes, the selection as plain text in the
// default format, as one undo step. A No ends it with the cancel signal.
void formatRemoveFormat(FormatHost& host);

}  // namespace qp
