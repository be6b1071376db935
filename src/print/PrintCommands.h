#pragma once

#include <QDateTime>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QPainter;
class QPrinter;

namespace qp {

class MessageService;
class PrintDialogService;
class Registry;
class RichEdit;
class TForm_PrintOptions;
struct RegionalValues;
struct SettingsOptions;

// What printing needs of the main window beyond the editor.
class PrintHost {
public:
    virtual ~PrintHost() = default;
    virtual RichEdit& editor() = 0;
    virtual Registry& registry() = 0;
    virtual MessageService& messages() = 0;
    virtual PrintDialogService& printDialog() = 0;
    // The one guard of entries from the event loop.
    virtual bool guarded(const std::function<void()>& work) = 0;
    virtual QRect screenGeometry() = 0;
    // The document's path; empty for a document never saved.
    virtual QString documentFileName() = 0;
    virtual QDateTime now() = 0;
    virtual const SettingsOptions& options() = 0;
    virtual const RegionalValues& regionalValues() = 0;
    // The document state as a number, and putting it back with its panel.
    virtual int documentState() = 0;
    virtual void restoreDocumentState(int state) = 0;
    virtual bool statusBarVisible() = 0;
    // The message bar, painted at once.
    virtual void showMessage(const QString& text) = 0;
    virtual void endMessage() = 0;
};

// Page margins in hundredths of an inch.
struct PrintMargins {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    bool operator==(const PrintMargins&) const = default;
};

struct MarginChoice {
    const char* text;
    int hundredths;
};

inline constexpr int MarginChoiceCount = 12;
extern const std::array<MarginChoice, MarginChoiceCount> MarginChoices;

// The length a margin box's text stands for; -1 for a text not in the list.
int marginHundredths(const QString& text);

// A printer's device metrics, in dots: resolution, printable area and its
// offset from the edge of the sheet.
struct PageMetrics {
    int dpiX = 0;
    int dpiY = 0;
    int width = 0;
    int height = 0;
    int offsetX = 0;
    int offsetY = 0;
    bool operator==(const PageMetrics&) const = default;
};

PageMetrics pageMetrics(const QPrinter& printer);

// The body rectangle in dots relative to the printable area; margins count
// from the edge of the sheet. Integer arithmetic, each division truncating.
// The rectangle's edges are returned as given (right and bottom exclusive).
struct PageBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
};
PageBox bodyBox(const PageMetrics& metrics, const PrintMargins& margins);
// The same box in twips (1/1440 inch), as the renderer measures pages.
PageBox toTwips(const PageBox& box, const PageMetrics& metrics);
// Back from twips to the printer's dots.
QRectF fromTwips(const PageBox& twips, const PageMetrics& metrics);

// The PDF file offered for a document: its name with ".pdf", in its folder;
// "Untitled.pdf" in `fallbackFolder` for a document never saved.
QString pdfPathFor(const QString& documentFileName, const QString& fallbackFolder);

// "Letter.rtf - 2024-05-01/14:30 - Page 2".
QString headerLine(const QString& name, const QString& date, const QString& time, int page);
// The name a printout carries: the file-name part of the path, or "Untitled".
QString printName(const QString& documentFileName);

// The options of one print.
struct PrintJob {
    PrintMargins margins;
    bool header = false;
    QString name;
    QString date;
    QString time;
    // The pages to print, counted from 1 at the range's start; 0 for no limit.
    int fromPage = 0;
    int toPage = 0;
    // The range's pages when known beforehand (for the progress display), else 0.
    int pageCount = 0;
};

enum class PrintOutcome { Complete, NoRoom, Cancelled };

// Told of each page as it is printed (its number and the last page's, 0 when
// not known); false stops the job.
using PageProgress = std::function<bool(int page, int lastPage)>;

// Prints [start, end) of the editor onto the printer, page after page.
// NoRoom when a page takes no character: the job ends there.
PrintOutcome printRange(RichEdit& editor, QPrinter& printer, const PrintJob& job, int start, int end,
                        const PageProgress& progress = {});
// The pages [start, end) takes on the printer with these margins; 0 when a
// page takes nothing, -1 when `progress` (told the pages so far) says stop.
// The editor keeps the copy of the text it laid out for a print of the same
// range that follows, until the text changes or its render cache is released.
int countPages(RichEdit& editor, QPrinter& printer, const PrintMargins& margins, int start, int end,
               const std::function<bool(int pages)>& progress = {});

// Action_File_Print: the print dialog, then the document or the selection.
void filePrint(PrintHost& host, TForm_PrintOptions& options);

}  // namespace qp
