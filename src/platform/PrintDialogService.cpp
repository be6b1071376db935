#include "platform/PrintDialogService.h"

#include "platform/WindowManagement.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace qp {

namespace {

// The result code of the dialog's Preview button.
constexpr int PreviewCode = 2;

// A modal progress box: the window behind it repaints while the pages are
// printed, but takes no commands that could change the text meanwhile.
class QtPrintProgress final : public PrintProgress {
public:
    QtPrintProgress() : m_dialog(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 0, dialogParent())
    {
        m_dialog.setWindowTitle(QStringLiteral("Printing"));
        m_dialog.setWindowModality(Qt::ApplicationModal);
        // Shown by showWhenSlow(): the dialog's own timer restarts while the value stays at its minimum.
        m_dialog.setMinimumDuration(std::numeric_limits<int>::max());
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
        m_dialog.setMinimumWidth(m_dialog.fontMetrics().horizontalAdvance(QStringLiteral("Page 0000000 of 0000000")) * 2);
        keepAboveKeptOnTop(m_dialog);
        m_clock.start();
    }

    bool advance(int page, int pageCount) override
    {
        if (pageCount > 0) {
            m_dialog.setMaximum(pageCount);
            m_dialog.setLabelText(QStringLiteral("Page %1 of %2").arg(page).arg(pageCount));
            m_dialog.setValue(std::min(page, pageCount));
        } else {
            m_dialog.setMaximum(0);
            m_dialog.setLabelText(QStringLiteral("Page %1").arg(page));
        }
        return showWhenSlow();
    }

    bool counted(int pages) override
    {
        m_dialog.setMaximum(0);
        m_dialog.setLabelText(QStringLiteral("Counting pages: %1").arg(pages));
        return showWhenSlow();
    }

private:
    // Quick jobs show no box; the window paints and Cancel is heard on every page.
    bool showWhenSlow()
    {
        if (!m_dialog.isVisible() && m_clock.elapsed() >= 300)
            m_dialog.show();
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

    QElapsedTimer m_clock;
    QProgressDialog m_dialog;
};

class QtPrintDialogService final : public PrintDialogService {
public:
    PrintChoice choosePrinter(QPrinter& printer, const PrintSetup& setup, PrintRange& range, PageSpan& pages) override
    {
        QPrintDialog dialog(&printer, dialogParent());
        keepAboveKeptOnTop(dialog);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, setup.selectionAvailable);
        // Page ranges only where the pages are counted, so the dialog checks them.
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, setup.pageCount > 0);
        if (setup.pageCount > 0) {
            dialog.setMinMax(1, setup.pageCount);
            printer.setFromTo(1, setup.pageCount);
        }
        if (setup.selectionAvailable)
            dialog.setPrintRange(QAbstractPrintDialog::Selection);
        if (!setup.pdfPath.isEmpty()) {
            // The dialog fills its file field in when it shows; ours comes after.
            QTimer::singleShot(0, &dialog, [&dialog, path = setup.pdfPath] {
                if (auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("filename")))
                    field->setText(path);
            });
        }
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
        switch (dialog.printRange()) {
        case QAbstractPrintDialog::Selection: range = PrintRange::Selection; break;
        case QAbstractPrintDialog::PageRange:
            range = PrintRange::Pages;
            pages = {dialog.fromPage(), dialog.toPage()};
            break;
        default: range = PrintRange::All; break;
        }
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

    std::unique_ptr<PrintProgress> showProgress() override { return std::make_unique<QtPrintProgress>(); }
};

}  // namespace

std::unique_ptr<PrintDialogService> makeQtPrintDialogService()
{
    return std::make_unique<QtPrintDialogService>();
}

}  // namespace qp
