#include "help/Window_Credits.h"

#include "platform/MessageService.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace qp {

namespace {

struct CreditRow {
    const char* caption;
    const char* names;
};

constexpr CreditRow Credits[] = {
    {"Additional development:", "Mira Hollander, Jonas Brekke"},
    {"Installer:", "Sanne de Vries"},
    {"Program compression:", "Piet Kramer"},
    {"Special thanks:", "The writers' circle of Tavlen"},
    {"Beta testing:", "Ellen Marsh, Tomas Lind, Greta Vos"},
    {"Web based support:", "Ruben Aalders"},
};

// A small stack of pages with a quill line, drawn rather than shipped.
QPixmap creditsPicture()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    for (int i = 2; i >= 0; --i) {
        painter.setBrush(i == 0 ? QColor(255, 255, 250) : QColor(235, 235, 228));
        painter.drawRect(QRectF(10 + i * 4, 6 + i * 4, 36, 46));
    }
    painter.setPen(QPen(QColor(40, 70, 120), 2));
    for (int y = 16; y < 46; y += 6)
        painter.drawLine(QPointF(15, y), QPointF(40, y));
    return pixmap;
}

}  // namespace

TForm_Credits::TForm_Credits(std::unique_ptr<HelpHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_Credits"));
    setWindowTitle(QStringLiteral("Credits"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto* heading = new QLabel(QStringLiteral("Without these people Quillpress wouldn't be what it is:"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto* grid = new QGridLayout;
    int row = 0;
    for (const CreditRow& credit : Credits) {
        grid->addWidget(new QLabel(QLatin1String(credit.caption), this), row, 0, Qt::AlignTop);
        grid->addWidget(new QLabel(QString::fromUtf8(credit.names), this), row, 1, Qt::AlignTop);
        ++row;
    }
    grid->setHorizontalSpacing(16);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(creditsPicture());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    auto* body = new QHBoxLayout;
    body->addLayout(grid);
    body->addSpacing(16);
    body->addWidget(Image1, 0, Qt::AlignTop);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);

    auto* main = new QVBoxLayout(this);
    main->addWidget(heading);
    main->addSpacing(6);
    main->addLayout(body);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, &QDialog::hide);
}

TForm_Credits::~TForm_Credits() = default;

void TForm_Credits::showDialog()
{
    if (!isVisible()) {
        show();
        centreOnScreen(*this, m_host->screenGeometry());
        Button1->setFocus();
    }
    raise();
    activateWindow();
}

void TForm_Credits::showPoweredBy()
{
    m_host->messages().information(QStringLiteral("Quillpress is powered by:     \rQt %1 and C++20 on Linux")
                                       .arg(QString::fromLatin1(qVersion())));
}

void TForm_Credits::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous() && m_returnWindow && m_returnWindow->isVisible()) {
        m_returnWindow->raise();
        m_returnWindow->activateWindow();
    }
}

bool TForm_Credits::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_host->guarded([this] { showPoweredBy(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace qp
