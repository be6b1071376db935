#include "editing/Window_EditAutoWords.h"

#include "editor/PlainText.h"
#include "platform/Errors.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qp {

TForm_EditAutoWords::TForm_EditAutoWords(AutoWordsHost& host, AutoWordList& list, QWidget* parent)
    : QDialog(parent), m_host(host), m_list(list)
{
    setObjectName(QStringLiteral("TForm_EditAutoWords"));
    setWindowTitle(QStringLiteral("Edit Auto Words"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
}

void TForm_EditAutoWords::buildControls()
{
    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setMinimumSize(360, 280);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("&Undo"), RichEdit1, &QPlainTextEdit::undo)
            ->setEnabled(RichEdit1->document()->isUndoAvailable());
        menu.addSeparator();
        const bool selection = RichEdit1->textCursor().hasSelection();
        menu.addAction(QStringLiteral("Cu&t"), RichEdit1, &QPlainTextEdit::cut)->setEnabled(selection);
        menu.addAction(QStringLiteral("&Copy"), RichEdit1, &QPlainTextEdit::copy)->setEnabled(selection);
        menu.addAction(QStringLiteral("&Paste"), RichEdit1, &QPlainTextEdit::paste)->setEnabled(RichEdit1->canPaste());
        menu.addSeparator();
        menu.addAction(QStringLiteral("Select &All"), RichEdit1, &QPlainTextEdit::selectAll);
        menu.exec(RichEdit1->viewport()->mapToGlobal(at));
    });

    auto* options = new QGroupBox(QStringLiteral(" Options "), this);
    CheckBox1 = new QCheckBox(QStringLiteral("Sort Auto Words list &Alphabetical"), options);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    auto* optionRow = new QHBoxLayout(options);
    optionRow->addWidget(CheckBox1);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* main = new QVBoxLayout(this);
    main->addWidget(RichEdit1, 1);
    main->addWidget(options);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Ctrl+Shift+\ opens the dialog from the main window and closes it from here.
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backslash), this);
    connect(close, &QShortcut::activated, this, &QDialog::hide);
    connect(Button1, &QPushButton::clicked, this, [this] { m_host.guarded([this] { ok(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::hide);
}

void TForm_EditAutoWords::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_EditAutoWords::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
    m_host.guarded([this] {
        const QString path = m_host.autoWordFile();
        if (!path.isEmpty()) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw AppError(QStringLiteral("Cannot open file %1").arg(path));
            RichEdit1->setPlainText(decodePlainText(file.readAll()).text);
        }
    });
    CheckBox1->setChecked(m_host.alphabetic());
    RichEdit1->setFocus();
}

void TForm_EditAutoWords::ok()
{
    const QString path = m_host.userAutoWordFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = encodePlainText(RichEdit1->toPlainText(), {TextEncoding::Utf8, LineEnding::CRLF});
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(QStringLiteral("Cannot create file %1").arg(path));
    applyAutoWordSort(m_host, m_list, CheckBox1->isChecked());
    hide();
}

}  // namespace qp
