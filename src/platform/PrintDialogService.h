#pragma once

#include <QString>

#include <functional>
#include <memory>

class QPrinter;

namespace qp {

enum class PrintRange { All, Selection, Pages };
// What the user chose in the print dialog.
enum class PrintChoice { Cancel, Print, Preview };

// What the print dialog is told before it shows.
struct PrintSetup {
    bool selectionAvailable = false;  // offers the Selection range
    int pageCount = 0;                // the pages of the whole text; 0 when unknown
    QString pdfPath;                  // the file offered for printing to PDF
};

// The pages chosen; both 0 for all of them.
struct PageSpan {
    int from = 0;
    int to = 0;
};

// A running print job's progress display with its Cancel button. Long
// jobs keep the window painting through it.
class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    // Shows that `page` of `pageCount` (0: not known) is being printed and lets
    // the window repaint; false once the user has cancelled the job.
    virtual bool advance(int page, int pageCount) = 0;
    // The same while the pages are counted before the print dialog shows.
    virtual bool counted(int pages) = 0;
};

// The print dialog: picks the printer (or a PDF file) and the range.
class PrintDialogService {
public:
    virtual ~PrintDialogService() = default;
    // Preview asks to see the pages first (see preview()). `pages` is set
    // for the Pages range.
    virtual PrintChoice choosePrinter(QPrinter& printer, const PrintSetup& setup, PrintRange& range,
                                      PageSpan& pages) = 0;
    // Shows the pages `paint` draws on the printer; the user may print them from there.
    virtual void preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;
    // Sets the printer up as the default printer, for printing without a
    // dialog; with no printer installed the print dialog offers a PDF file.
    // False when there is nowhere to print to.
    virtual bool useDefaultPrinter(QPrinter& printer) = 0;
    // The progress display of a job about to start; it closes when destroyed.
    virtual std::unique_ptr<PrintProgress> showProgress() = 0;
};

std::unique_ptr<PrintDialogService> makeQtPrintDialogService();

}  // namespace qp
