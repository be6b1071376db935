#pragma once

#include <functional>
#include <memory>

class QPrinter;

namespace qp {

enum class PrintRange { All, Selection };
// What the user chose in the print dialog.
enum class PrintChoice { Cancel, Print, Preview };

// The print dialog: picks the printer (or a PDF file) and the range.
class PrintDialogService {
public:
    virtual ~PrintDialogService() = default;
    // `selectionAvailable` offers the Selection range. Preview asks to see the
    // pages first (see preview()).
    virtual PrintChoice choosePrinter(QPrinter& printer, bool selectionAvailable, PrintRange& range) = 0;
    // Shows the pages `paint` draws on the printer; the user may print them from there.
    virtual void preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;
    // Sets the printer up as the default printer, for printing without a
    // dialog; with no printer installed the print dialog offers a PDF file.
    // False when there is nowhere to print to.
    virtual bool useDefaultPrinter(QPrinter& printer) = 0;
};

std::unique_ptr<PrintDialogService> makeQtPrintDialogService();

}  // namespace qp
