#include "platform/ProgramIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace qp {

namespace {

QPixmap drawnMark(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 70, 120));
    painter.setPen(Qt::NoPen);
    const qreal inset = size / 24.0;
    painter.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), size / 6.0, size / 6.0);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(size * 5 / 8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Q"));
    return pixmap;
}

}  // namespace

QIcon programIcon()
{
    QIcon drawn;
    for (const int size : {16, 24, 32, 48, 64, 128})
        drawn.addPixmap(drawnMark(size));
    // The theme's icon is an SVG file, which Qt draws only with its SVG
    // plugin installed; without it the themed icon would be blank.
    const QIcon themed = QIcon::fromTheme(QStringLiteral("quillpress"));
    return !themed.isNull() && !themed.pixmap(32, 32).isNull() ? themed : drawn;
}

}  // namespace qp
