#include "platform/MessageService.h"

#include "platform/WindowManagement.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

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

// The values start in one column and keep to one line each (paths are long
// and must read whole); they can be selected and copied, for a bug report.
void showForm(const QList<std::pair<QString, QString>>& rows)
{
    QDialog box(dialogParent());
    box.setObjectName(QStringLiteral("InformationForm"));
    box.setWindowTitle(QStringLiteral("Information"));
    box.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    keepAboveKeptOnTop(box);

    auto* icon = new QLabel(&box);
    const int extent = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, &box).pixmap(extent, extent));

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (const auto& [label, value] : rows) {
        auto* field = new QLabel(value, &box);
        field->setTextFormat(Qt::PlainText);
        field->setWordWrap(false);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        form->addRow(new QLabel(label, &box), field);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(box.style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, &box) * 2);
    top->addLayout(form, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

    auto* main = new QVBoxLayout(&box);
    main->addLayout(top);
    main->addWidget(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
    box.exec();
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

    void informationForm(const QList<std::pair<QString, QString>>& rows) override { showForm(rows); }
};

}  // namespace

void MessageService::informationForm(const QList<std::pair<QString, QString>>& rows)
{
    QStringList lines;
    for (const auto& [label, value] : rows)
        lines << label + QLatin1Char('\t') + value;
    information(lines.join(QLatin1Char('\r')));
}

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
