#include "print/PrintCommands.h"

#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "platform/PrintDialogService.h"
#include "print/Window_PrintOptions.h"
#include "settings/DateTimePatterns.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cstdio>

namespace qp {

namespace {

const QString Untitled = QStringLiteral("Untitled");
// The header line's top, from the top of the printable area.
constexpr int HeaderTop = 50;

void drawHeader(QPainter& painter, const PrintJob& job, const PageMetrics& metrics, int page)
{
    const int x = metrics.dpiX * job.margins.left / 100 - metrics.offsetX;
    const QString text = headerLine(job.name, job.date, job.time, page);
    painter.save();
    painter.setPen(Qt::black);
    painter.drawText(QRect(x, HeaderTop, metrics.width * 2, metrics.height), Qt::AlignLeft | Qt::AlignTop, text);
    painter.restore();
}

// Printing into a PDF file writes a file beside it that takes its name only
// when the job is complete: a cancelled or failed job leaves the chosen name
// as it was, and no half-written file.
class PdfTarget {
public:
    explicit PdfTarget(QPrinter& printer) : m_printer(printer)
    {
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
            return;
        m_final = printer.outputFileName();
        const QFileInfo info(m_final);
        auto temp = std::make_unique<QTemporaryFile>(info.dir().filePath(QStringLiteral(".") + info.fileName() +
                                                                         QStringLiteral(".XXXXXX.part")));
        // A folder that takes no new file: the printer writes the file itself, as before.
        if (!temp->open())
            return;
        temp->close();
        m_temp = std::move(temp);
        printer.setOutputFileName(m_temp->fileName());
    }
    ~PdfTarget()
    {
        if (m_temp)
            m_printer.setOutputFileName(m_final);
    }
    PdfTarget(const PdfTarget&) = delete;
    PdfTarget& operator=(const PdfTarget&) = delete;

    QString fileName() const { return m_temp ? m_final : m_printer.outputFileName(); }
    // Puts the finished file under its name; false (and the file gone) when that fails.
    bool commit()
    {
        if (!m_temp)
            return true;
        QFile::setPermissions(m_temp->fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (std::rename(QFile::encodeName(m_temp->fileName()).constData(), QFile::encodeName(m_final).constData()) != 0)
            return false;
        m_temp->setAutoRemove(false);
        return true;
    }

private:
    QPrinter& m_printer;
    QString m_final;
    std::unique_ptr<QTemporaryFile> m_temp;
};

}  // namespace

const std::array<MarginChoice, MarginChoiceCount> MarginChoices = {{
    {"0,50 inch", 50},
    {"0,75 inch", 75},
    {"1,00 inch", 100},
    {"1,25 inch", 125},
    {"1,50 inch", 150},
    {"1,75 inch", 175},
    {"1,50 cm", 59},
    {"2,00 cm", 79},
    {"2,50 cm", 98},
    {"3,00 cm", 118},
    {"3,50 cm", 138},
    {"4,00 cm", 157},
}};

int marginHundredths(const QString& text)
{
    for (const MarginChoice& choice : MarginChoices) {
        if (text == QLatin1String(choice.text))
            return choice.hundredths;
    }
    return -1;
}

PageMetrics pageMetrics(const QPrinter& printer)
{
    const int resolution = printer.resolution();
    const QRect paint = printer.pageLayout().paintRectPixels(resolution);
    PageMetrics metrics;
    metrics.dpiX = printer.logicalDpiX();
    metrics.dpiY = printer.logicalDpiY();
    metrics.width = paint.width();
    metrics.height = paint.height();
    metrics.offsetX = paint.left();
    metrics.offsetY = paint.top();
    return metrics;
}

PageBox bodyBox(const PageMetrics& m, const PrintMargins& margins)
{
    PageBox box;
    box.left = m.dpiX * margins.left / 100 - m.offsetX;
    box.top = m.dpiY * margins.top / 100 - m.offsetY;
    box.right = m.width + m.offsetX - m.dpiX * margins.right / 100;
    box.bottom = m.height + m.offsetY - m.dpiY * margins.bottom / 100;
    return box;
}

PageBox toTwips(const PageBox& box, const PageMetrics& m)
{
    if (m.dpiX <= 0 || m.dpiY <= 0)
        return {};
    return {box.left * 1440 / m.dpiX, box.top * 1440 / m.dpiY, box.right * 1440 / m.dpiX, box.bottom * 1440 / m.dpiY};
}

QRectF fromTwips(const PageBox& twips, const PageMetrics& m)
{
    const qreal left = qreal(twips.left) * m.dpiX / 1440;
    const qreal top = qreal(twips.top) * m.dpiY / 1440;
    const qreal right = qreal(twips.right) * m.dpiX / 1440;
    const qreal bottom = qreal(twips.bottom) * m.dpiY / 1440;
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QString pdfPathFor(const QString& documentFileName, const QString& fallbackFolder)
{
    if (documentFileName.isEmpty())
        return QDir(fallbackFolder).filePath(Untitled + QStringLiteral(".pdf"));
    const QFileInfo info(documentFileName);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
}

QString headerLine(const QString& name, const QString& date, const QString& time, int page)
{
    return name + QStringLiteral(" - ") + date + QLatin1Char('/') + time + QStringLiteral(" - Page ") +
           QString::number(page);
}

QString printName(const QString& documentFileName)
{
    if (documentFileName.isEmpty())
        return Untitled;
    const qsizetype cut = documentFileName.lastIndexOf(QLatin1Char('/'));
    return documentFileName.mid(cut + 1);
}

PrintOutcome printRange(RichEdit& editor, QPrinter& printer, const PrintJob& job, int start, int end,
                        const PageProgress& progress)
{
    printer.setDocName(QStringLiteral("Quillpress - ") + job.name);
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("The printer could not start the job."));
    // The job is ended on every path, and the renderer's copy let go.
    const auto endJob = qScopeGuard([&] {
        editor.releaseRenderCache();
        painter.end();
    });
    const PageMetrics metrics = pageMetrics(printer);
    const PageBox body = bodyBox(metrics, job.margins);
    const QRectF bodyRect = fromTwips(toTwips(body, metrics), metrics);

    const int first = std::max(1, job.fromPage);
    const int last = job.toPage >= first ? job.toPage : 0;
    int lastShown = job.pageCount;
    if (last > 0)
        lastShown = lastShown > 0 ? std::min(last, lastShown) : last;
    // A page that takes nothing would take nothing on the next page either.
    if (body.empty()) {
        if (job.header && first == 1)
            drawHeader(painter, job, metrics, 1);
        return PrintOutcome::NoRoom;
    }
    bool printed = false;
    for (int page = 1;; ++page) {
        int next = 0;
        if (page >= first) {
            if (printed)
                printer.newPage();
            printed = true;
            if (job.header)
                drawHeader(painter, job, metrics, page);
            next = editor.renderPage(painter, bodyRect, start, end);
        } else {
            // Pages before the range are laid out, not drawn, to find where the range begins.
            next = editor.measurePage(printer, bodyRect, start, end);
        }
        if (progress && !progress(page, lastShown))
            return PrintOutcome::Cancelled;
        if (next >= end || (last > 0 && page >= last))
            return PrintOutcome::Complete;
        if (next <= start)
            return PrintOutcome::NoRoom;
        start = next;
    }
}

int countPages(RichEdit& editor, QPrinter& printer, const PrintMargins& margins, int start, int end,
               const std::function<bool(int pages)>& progress)
{
    const PageMetrics metrics = pageMetrics(printer);
    const PageBox body = bodyBox(metrics, margins);
    if (body.empty() || start >= end)
        return 0;
    const QRectF bodyRect = fromTwips(toTwips(body, metrics), metrics);
    int pages = 1;
    for (int next = editor.measurePage(printer, bodyRect, start, end); next < end;
         next = editor.measurePage(printer, bodyRect, start, end)) {
        if (next <= start)
            return 0;
        if (progress && !progress(pages))
            return -1;
        start = next;
        ++pages;
    }
    return pages;
}

void filePrint(PrintHost& host, TForm_PrintOptions& options)
{
    RichEdit& editor = host.editor();
    const int state = host.documentState();
    // Printing never changes the document state, whatever the editor reports.
    const auto keepState = qScopeGuard([&] { host.restoreDocumentState(state); });
    // The copy of the text that counting makes serves the print too; it goes on every path.
    const auto releaseCopy = qScopeGuard([&] { editor.releaseRenderCache(); });

    QPrinter printer(QPrinter::HighResolution);
    const int textLength = editor.textLength();
    const int selStart = editor.selStart();
    const int selLength = editor.selLength();
    const QString name = printName(host.documentFileName());
    printer.setDocName(QStringLiteral("Quillpress - ") + name);

    // The dialog offers page ranges of the whole text as the stored margins lay it out.
    options.loadStored();
    options.convertMargins();
    PrintSetup setup;
    setup.selectionAvailable = selLength > 0;
    setup.pdfPath = pdfPathFor(host.documentFileName(), QDir::homePath());
    const PageMetrics counted = pageMetrics(printer);
    const PrintMargins countedMargins = options.margins();
    {
        // A long text takes a while to count: the window paints meanwhile, and Cancel ends the command.
        const std::unique_ptr<PrintProgress> progress = host.printDialog().showProgress();
        setup.pageCount = countPages(editor, printer, countedMargins, 0, textLength,
                                     [&](int pages) { return !progress || progress->counted(pages); });
        if (setup.pageCount < 0)
            return;
    }

    PrintRange range = PrintRange::All;
    PageSpan pages;
    const PrintChoice choice = host.printDialog().choosePrinter(printer, setup, range, pages);
    if (choice == PrintChoice::Cancel)
        return;

    const bool message = host.statusBarVisible();
    if (message)
        host.showMessage(QStringLiteral("Printing..."));
    options.loadStored();
    options.convertMargins();

    // The selection is not touched while printing; the view is put back to
    // the pixel, as the writer left it.
    const int firstLine = editor.firstVisibleLine();
    const QPoint scroll = editor.scrollPosition();
    const auto restore = qScopeGuard([&] {
        editor.setSelection(selStart, selLength);
        editor.scrollLines(firstLine - editor.firstVisibleLine());
        editor.setScrollPosition(scroll);
        if (message)
            host.endMessage();
    });

    PrintJob job;
    job.margins = options.margins();
    job.header = options.header();
    job.name = name;
    const QDateTime now = host.now();
    job.date = formatDateTime(host.options().dateFormat, datePart(now), host.regionalValues());
    job.time = formatDateTime(host.options().timeFormat, timePart(now), host.regionalValues());

    if (textLength == 0)
        return;
    // The dialog's All range prints the whole text even with a selection.
    int start = 0;
    int end = textLength;
    if (range == PrintRange::Selection && selLength > 0) {
        start = selStart;
        end = selStart + selLength;
    } else {
        if (range == PrintRange::Pages) {
            job.fromPage = pages.from;
            job.toPage = pages.to;
        }
        // The count holds while the dialog left the paper and the margins as they were.
        if (pageMetrics(printer) == counted && job.margins == countedMargins)
            job.pageCount = setup.pageCount;
    }

    PrintOutcome outcome = PrintOutcome::Complete;
    if (choice == PrintChoice::Preview) {
        // Painting runs inside the preview's own event loop, so it has its own guard.
        host.printDialog().preview(printer, [&](QPrinter& target) {
            host.guarded([&] {
                const PrintOutcome o = printRange(editor, target, job, start, end);
                if (o != PrintOutcome::Complete)
                    outcome = o;
            });
        });
    } else {
        PdfTarget target(printer);
        const std::unique_ptr<PrintProgress> progress = host.printDialog().showProgress();
        outcome = printRange(editor, printer, job, start, end,
                             [&](int page, int lastPage) { return !progress || progress->advance(page, lastPage); });
        if (outcome != PrintOutcome::Cancelled && !target.commit())
            throw AppError(QStringLiteral("The PDF file could not be written: ") + target.fileName());
    }
    if (outcome == PrintOutcome::NoRoom)
        host.messages().information(
            QStringLiteral("The page margins leave no room for the text; printing stopped."));
}

}  // namespace qp
