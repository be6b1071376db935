#include "platform/MessageService.h"

#include "platform/WindowManagement.h"

#include <QApplication>
#include <QMessageBox>

namespace qp {

namespace {

QString& titleStore()
{
    static QString title = QStringLiteral("Quillpress");
    return title;
}

QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, title, boxText(text), buttons, dialogParent());
    keepAboveKeptOnTop(box);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

class QtMessageService final : public MessageService {
public:
    void information(const QString& text) override
    {
        ask(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok);
    }

    Answer confirm(const QString& text, Buttons buttons) override
    {
        auto set = QMessageBox::Yes | QMessageBox::No;
        if (buttons == Buttons::YesNoCancel)
            set |= QMessageBox::Cancel;
        switch (ask(QMessageBox::Question, QStringLiteral("Confirm"), text, set, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            // Closing the box with Escape or the frame means Cancel where there is one.
            return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
        }
    }

    Answer retryNo(const QString& title, const QString& text) override
    {
        return ask(QMessageBox::Question, title, text, QMessageBox::Retry | QMessageBox::No, QMessageBox::Retry) == QMessageBox::Retry
                   ? Answer::Retry
                   : Answer::No;
    }

    void error(const QString& text) override
    {
        ask(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok);
    }

    void plain(const QString& text) override
    {
        ask(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok);
    }
};

}  // namespace

QString boxText(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::unique_ptr<MessageService> makeQtMessageService()
{
    return std::make_unique<QtMessageService>();
}

void setApplicationTitle(const QString& title)
{
    titleStore() = title;
}

QString applicationTitle()
{
    return titleStore();
}

}  // namespace qp
