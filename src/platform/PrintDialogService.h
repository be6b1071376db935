#pragma once

#include <memory>

class QPrinter;

namespace qp {

enum class PrintRange { All, Selection };

// The print dialog: picks the printer (or a PDF file) and the range.
class PrintDialogService {
public:
    virtual ~PrintDialogService() = default;
    // False when the user cancels. `selectionAvailable` offers the Selection range.
    virtual bool choosePrinter(QPrinter& printer, bool selectionAvailable, PrintRange& range) = 0;
};

std::unique_ptr<PrintDialogService> makeQtPrintDialogService();

}  // namespace qp
