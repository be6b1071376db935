#include "platform/TextPrinting.h"

#include "platform/Errors.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace qp {

void printTextLines(QPrinter& printer, const QStringList& lines, const QFont& font)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("The printer could not start the job."));
    painter.setFont(QFont(font, &printer));
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font(), &printer);
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    int y = 0;
    for (const QString& line : lines) {
        if (y + lineHeight > pageHeight && y > 0) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(0, y + metrics.ascent(), line);
        y += lineHeight;
    }
    painter.end();
}

}  // namespace qp
