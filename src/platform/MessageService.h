#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <utility>

class QWidget;

namespace qp {

enum class Answer { Ok, Yes, No, Cancel, Retry };
enum class Buttons { YesNo, YesNoCancel };

// Every box the program shows. "\r" in a text is a line break.
class MessageService {
public:
    virtual ~MessageService() = default;
    // Title "Information", button OK.
    virtual void information(const QString& text) = 0;
    // Title "Confirm"; answers Yes, No or (with YesNoCancel) Cancel.
    virtual Answer confirm(const QString& text, Buttons buttons) = 0;
    // Buttons Retry and No; answers Retry or No.
    virtual Answer retryNo(const QString& title, const QString& text) = 0;
    // The error box of the event loop's guard.
    virtual void error(const QString& text) = 0;
    // A plain box captioned with the application title, button OK.
    virtual void plain(const QString& text) = 0;
    // Title "Information", button OK: label and value pairs as a two-column
    // form, each value beside its label, none wrapped. By default the rows as
    // "label\tvalue" lines of an information box.
    virtual void informationForm(const QList<std::pair<QString, QString>>& rows);
};

// QMessageBox over the active window of the program.
std::unique_ptr<MessageService> makeQtMessageService();

// "\r" and "\r\n" become the line breaks a box shows.
QString boxText(const QString& text);

}  // namespace qp

namespace qp {

// The application title: the document's name, or "Quillpress" (captions the plain box).
void setApplicationTitle(const QString& title);
QString applicationTitle();

}  // namespace qp
