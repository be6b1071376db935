#pragma once

#include "help/HelpCommands.h"

#include <QDialog>

#include <memory>

class QTextBrowser;
class QUrl;

namespace qp {

// Documentation: Help.htm shown as HTML in a window of the program's own.
// Handing the page to the desktop let it pick the text/plain handler (or run
// a page with the executable bit); here it is only ever read and shown.
// Links within the page and to other local pages are followed in the window;
// web and mail addresses go to the desktop.
class TForm_Documentation : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Documentation(std::unique_ptr<HelpHost> host, QWidget* parent = nullptr);
    ~TForm_Documentation() override;

    // Shows the page, or brings the window to the front.
    void showPage(const QString& path);

private:
    void followLink(const QUrl& link);

    std::unique_ptr<HelpHost> m_host;
    QTextBrowser* m_browser = nullptr;
};

}  // namespace qp
