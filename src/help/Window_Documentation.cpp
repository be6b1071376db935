#include "help/Window_Documentation.h"

#include "platform/ShellService.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qp {

TForm_Documentation::TForm_Documentation(std::unique_ptr<HelpHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_Documentation"));
    setWindowTitle(QStringLiteral("Documentation"));
    setModal(false);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("Browser"));
    m_browser->setOpenLinks(false);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("Button_Close"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(720, 560);

    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_browser, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { m_host->guarded([&] { followLink(link); }); });
}

TForm_Documentation::~TForm_Documentation() = default;

void TForm_Documentation::showPage(const QString& path)
{
    m_browser->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), QTextDocument::HtmlResource);
    if (!isVisible())
        centreOnScreen(*this, m_host->screenGeometry());
    show();
    raise();
    activateWindow();
}

void TForm_Documentation::followLink(const QUrl& link)
{
    const QUrl target = m_browser->source().resolved(link);
    if (target.isLocalFile()) {
        const QString suffix = QFileInfo(target.toLocalFile()).suffix().toLower();
        if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) {
            m_browser->setSource(target, QTextDocument::HtmlResource);
            return;
        }
    }
    // Local files of other kinds and web addresses are the desktop's; http,
    // https and mailto only, so a link never starts a program.
    const QString scheme = target.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto"))
        m_host->shell().open(target.toString(), QString());
}

}  // namespace qp
