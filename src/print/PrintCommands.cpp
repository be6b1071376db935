#include "print/PrintCommands.h"

#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "platform/PrintDialogService.h"
#include "print/Window_PrintOptions.h"
#include "settings/DateTimePatterns.h"
#include "settings/Settings.h"

#include <QPainter>
#include <QPrinter>
#include <QScopeGuard>

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

bool printRange(RichEdit& editor, QPrinter& printer, const PrintJob& job, int start, int end)
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

    int page = 1;
    if (job.header)
        drawHeader(painter, job, metrics, page);
    // A page that takes nothing would take nothing on the next page either.
    if (body.empty())
        return false;
    int next = editor.renderPage(painter, bodyRect, start, end);
    while (next < end) {
        if (next <= start)
            return false;
        printer.newPage();
        ++page;
        if (job.header)
            drawHeader(painter, job, metrics, page);
        start = next;
        next = editor.renderPage(painter, bodyRect, start, end);
    }
    return true;
}

void filePrint(PrintHost& host, TForm_PrintOptions& options)
{
    RichEdit& editor = host.editor();
    const int state = host.documentState();
    // Printing never changes the document state, whatever the editor reports.
    const auto keepState = qScopeGuard([&] { host.restoreDocumentState(state); });

    QPrinter printer(QPrinter::HighResolution);
    PrintRange range = PrintRange::All;
    const bool selection = editor.selLength() > 0;
    const PrintChoice choice = host.printDialog().choosePrinter(printer, selection, range);
    if (choice == PrintChoice::Cancel)
        return;

    const bool message = host.statusBarVisible();
    if (message)
        host.showMessage(QStringLiteral("Printing..."));
    options.loadStored();
    options.convertMargins();

    editor.setUpdatesEnabled(false);
    const int firstLine = editor.firstVisibleLine();
    const int selStart = editor.selStart();
    const int selLength = editor.selLength();
    const auto restore = qScopeGuard([&] {
        editor.setSelection(selStart, selLength);
        editor.scrollLines(firstLine - editor.firstVisibleLine());
        editor.setUpdatesEnabled(true);
        if (message)
            host.endMessage();
    });

    PrintJob job;
    job.margins = options.margins();
    job.header = options.header();
    job.name = printName(host.documentFileName());
    const QDateTime now = host.now();
    job.date = formatDateTime(host.options().dateFormat, datePart(now), host.regionalValues());
    job.time = formatDateTime(host.options().timeFormat, timePart(now), host.regionalValues());

    // The dialog's All range prints the whole text even with a selection.
    if (selLength == 0 || range == PrintRange::All)
        editor.selectAllText();
    if (editor.textLength() == 0)
        return;
    const int start = editor.selStart();
    const int end = start + editor.selLength();

    bool complete = true;
    if (choice == PrintChoice::Preview) {
        // Painting runs inside the preview's own event loop, so it has its own guard.
        host.printDialog().preview(printer, [&](QPrinter& target) {
            host.guarded([&] { complete = printRange(editor, target, job, start, end) && complete; });
        });
    } else {
        complete = printRange(editor, printer, job, start, end);
    }
    if (!complete)
        host.messages().information(
            QStringLiteral("The page margins leave no room for the text; printing stopped."));
}

}  // namespace qp
