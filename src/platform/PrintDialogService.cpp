#include "platform/PrintDialogService.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>

namespace qp {

namespace {

class QtPrintDialogService final : public PrintDialogService {
public:
    bool choosePrinter(QPrinter& printer, bool selectionAvailable, PrintRange& range) override
    {
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        dialog.setOption(QAbstractPrintDialog::PrintSelection, selectionAvailable);
        if (selectionAvailable)
            dialog.setPrintRange(QAbstractPrintDialog::Selection);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        range = dialog.printRange() == QAbstractPrintDialog::Selection ? PrintRange::Selection : PrintRange::All;
        return true;
    }
};

}  // namespace

std::unique_ptr<PrintDialogService> makeQtPrintDialogService()
{
    return std::make_unique<QtPrintDialogService>();
}

}  // namespace qp
