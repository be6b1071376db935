#include "platform/PrintDialogService.h"

#include "platform/WindowManagement.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

namespace qp {

namespace {

// The result code of the dialog's Preview button.
constexpr int PreviewCode = 2;

class QtPrintDialogService final : public PrintDialogService {
public:
    PrintChoice choosePrinter(QPrinter& printer, bool selectionAvailable, PrintRange& range) override
    {
        QPrintDialog dialog(&printer, dialogParent());
        keepAboveKeptOnTop(dialog);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, selectionAvailable);
        if (selectionAvailable)
            dialog.setPrintRange(QAbstractPrintDialog::Selection);
        // Writers look at the pages before paper is spent on them.
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            QPushButton* preview = buttons->addButton(QStringLiteral("Pre&view..."), QDialogButtonBox::ActionRole);
            QObject::connect(preview, &QPushButton::clicked, &dialog, [&dialog] {
                // The dialog's accept hands its settings to the printer; the code tells them apart.
                dialog.accept();
                dialog.setResult(PreviewCode);
            });
        }
        const int result = dialog.exec();
        if (result != QDialog::Accepted && result != PreviewCode)
            return PrintChoice::Cancel;
        range = dialog.printRange() == QAbstractPrintDialog::Selection ? PrintRange::Selection : PrintRange::All;
        return dialog.result() == PreviewCode ? PrintChoice::Preview : PrintChoice::Print;
    }

    void preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override
    {
        QPrintPreviewDialog dialog(&printer, dialogParent());
        keepAboveKeptOnTop(dialog);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* target) { paint(*target); });
        dialog.exec();
    }

    bool useDefaultPrinter(QPrinter& printer) override
    {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (!info.isNull()) {
            printer.setPrinterName(info.printerName());
            return true;
        }
        QPrintDialog dialog(&printer, dialogParent());
        keepAboveKeptOnTop(dialog);
        return dialog.exec() == QDialog::Accepted;
    }
};

}  // namespace

std::unique_ptr<PrintDialogService> makeQtPrintDialogService()
{
    return std::make_unique<QtPrintDialogService>();
}

}  // namespace qp
