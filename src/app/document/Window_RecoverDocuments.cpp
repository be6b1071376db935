#include "app/document/Window_RecoverDocuments.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace qp {

QString recoveryCopyCaption(const RecoveryCopy& copy)
{
    const QString when = QLocale().toString(copy.written, QLocale::ShortFormat);
    if (copy.originalName.isEmpty())
        return QStringLiteral("Unnamed document (%1), copy of %2").arg(copy.rich ? QStringLiteral("rich text") : QStringLiteral("plain text"), when);
    const QFileInfo file(copy.originalName);
    return QStringLiteral("%1 in %2, copy of %3").arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath()), when);
}

TForm_RecoverDocuments::TForm_RecoverDocuments(RecoverDocumentsHost host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_RecoverDocuments"));
    setWindowTitle(QStringLiteral("Recover Documents"));
    m_intro = new QLabel(this);
    m_intro->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox_Copies"));
    m_list->setMinimumWidth(520);
    m_intro->setBuddy(m_list);
    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    m_keep = buttons->addButton(QStringLiteral("&Keep for Later"), QDialogButtonBox::RejectRole);
    m_discard = buttons->addButton(QStringLiteral("&Discard..."), QDialogButtonBox::DestructiveRole);
    m_open->setObjectName(QStringLiteral("Button_Open"));
    m_keep->setObjectName(QStringLiteral("Button_Keep"));
    m_discard->setObjectName(QStringLiteral("Button_Discard"));
    m_open->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_intro);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    connect(m_open, &QPushButton::clicked, this, &TForm_RecoverDocuments::openSelected);
    connect(m_keep, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_discard, &QPushButton::clicked, this, &TForm_RecoverDocuments::discardSelected);
    connect(m_list, &QListWidget::itemActivated, this, &TForm_RecoverDocuments::openSelected);
}

void TForm_RecoverDocuments::showCopies(const QList<RecoveryCopy>& copies)
{
    m_copies = copies;
    refreshList();
    show();
    raise();
    activateWindow();
    m_list->setFocus();
}

void TForm_RecoverDocuments::refreshList()
{
    m_intro->setText(m_copies.size() == 1
                         ? QStringLiteral("Quillpress did not close properly last time. A copy of a document with unsaved changes was kept:")
                         : QStringLiteral("Quillpress did not close properly last time. Copies of %1 documents with unsaved changes were kept:")
                               .arg(m_copies.size()));
    m_list->clear();
    for (const RecoveryCopy& copy : m_copies)
        m_list->addItem(recoveryCopyCaption(copy));
    m_list->setCurrentRow(0);
    adjustSize();
}

int TForm_RecoverDocuments::selectedRow() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_copies.size() ? row : -1;
}

void TForm_RecoverDocuments::openSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // The main window opens it; the copy stays on disk until that document is
    // saved or closed cleanly.
    if (!m_host.open(m_copies[row]))
        return;
    m_copies.removeAt(row);
    hide();
    if (!m_copies.isEmpty())
        refreshList();
}

void TForm_RecoverDocuments::discardSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const RecoveryCopy copy = m_copies[row];
    const QString name = copy.originalName.isEmpty() ? QStringLiteral("the unnamed document") : QFileInfo(copy.originalName).fileName();
    if (!m_host.confirm(QStringLiteral("Discard the recovered copy of %1?\rIts unsaved text is lost.").arg(name)))
        return;
    RecoveryKeeper::discard(copy);
    m_copies.removeAt(row);
    if (m_copies.isEmpty())
        hide();
    else
        refreshList();
}

}  // namespace qp
