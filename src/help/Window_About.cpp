#include "help/Window_About.h"

#include "help/Window_Credits.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/ShellService.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qp {

const char* const WebPage = "https://tavlen.org/quillpress/";

namespace {

// The desktop's editor icon, or a drawn quill mark where the theme has none.
QPixmap programIcon()
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("accessories-text-editor"));
    if (!themed.isNull())
        return themed.pixmap(48, 48);
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 70, 120));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 44, 44), 8, 8);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(30);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Q"));
    return pixmap;
}

QLabel* line(const QString& text, QWidget* parent)
{
    return new QLabel(text, parent);
}

}  // namespace

TForm_About::TForm_About(std::unique_ptr<HelpHost> host, TForm_Credits& credits, QWidget* parent)
    : QDialog(parent), m_host(std::move(host)), m_credits(credits)
{
    setObjectName(QStringLiteral("TForm_About"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    m_credits.setReturnWindow(this);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(programIcon());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    auto* name = line(QStringLiteral("Quillpress "), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    Label2 = line(QString(), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    Label7 = line(QString::fromLatin1(WebPage), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    QFont underlined = Label7->font();
    underlined.setUnderline(true);
    Label7->setFont(underlined);
    Label7->setStyleSheet(QStringLiteral("color: #1a4fa0"));
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->installEventFilter(this);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(Label2);
    texts->addWidget(line(QStringLiteral("General purpose editor"), this));
    texts->addWidget(line(QStringLiteral("Written by Tavlen's writers' tools team"), this));
    texts->addWidget(line(QStringLiteral("Made for Linux by Tavlen, free software"), this));
    texts->addSpacing(8);
    texts->addWidget(line(QStringLiteral("Suggestions, bugreports or updates:"), this));
    texts->addWidget(Label7);
    texts->addSpacing(8);
    texts->addWidget(line(QStringLiteral("And remember... Kill your darlings!"), this));

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Details..."), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    Button3 = new QPushButton(QStringLiteral("Credi&ts..."), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(separator);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    auto* details = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_I), this);
    connect(details, &QShortcut::activated, this, [this] { m_host->guarded([this] { showDetails(); }); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::hide);
    connect(Button2, &QPushButton::clicked, this, [this] { m_host->guarded([this] { showDetails(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { m_credits.showDialog(); });
}

TForm_About::~TForm_About() = default;

void TForm_About::showDialog()
{
    if (!isVisible()) {
        show();
        centreOnScreen(*this, m_host->screenGeometry());
    }
    raise();
    activateWindow();
}

void TForm_About::showDetails()
{
    m_host->messages().informationForm(detailsRows(m_host->paths()));
}

void TForm_About::showHiddenMessage()
{
    m_host->messages().information(QStringLiteral("Hi there,\r\rDeveloping Quillpress was great fun.\r"
                                                  "Quillpress has claimed almost two years of my life...      \r"
                                                  "and I do not regret it!\r\r"
                                                  "I definitly hope you enjoy the program.\r\r"
                                                  "Tavlen"));
}

void TForm_About::openWebPage()
{
    m_host->shell().open(QString::fromLatin1(WebPage), QString());
}

void TForm_About::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    Label2->setText(QStringLiteral("Version ") + m_host->version());
    Button1->setFocus();
}

bool TForm_About::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Image1) {
            m_host->guarded([this] { showHiddenMessage(); });
            return true;
        }
        if (watched == Label7) {
            m_host->guarded([this] { openWebPage(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace qp
