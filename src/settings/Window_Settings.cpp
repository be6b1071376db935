#include "settings/Window_Settings.h"

#include "platform/Errors.h"
#include "platform/FileDialogService.h"
#include "platform/MessageService.h"
#include "store/Registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace qp {

namespace {

QCheckBox* checkBox(const QString& caption, const QString& objectName, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(objectName);
    return box;
}

QLineEdit* lineEdit(const QString& objectName, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

// A typed character Lines per Page lets through: a digit, Backspace, or no
// character at all (cursor keys, Delete, shortcuts such as Ctrl+V).
bool isAllowedTypedText(const QString& text)
{
    if (text.isEmpty())
        return true;
    const QChar c = text.front();
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
        return true;
    return c >= u'0' && c <= u'9';
}

}  // namespace

TForm_Settings::TForm_Settings(Registry& registry, MessageService& messages, FileDialogService& fileDialogs,
                               SettingsOptions& options, SettingsHost& host, QWidget* parent)
    : QDialog(parent)
    , m_registry(registry)
    , m_messages(messages)
    , m_fileDialogs(fileDialogs)
    , m_options(options)
    , m_host(host)
{
    setObjectName(QStringLiteral("TForm_Settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(false);
    // A fixed dialog border: a title and a close box, kept on top.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    setControlState(SettingsControls());
}

void TForm_Settings::buildControls()
{
    auto* integration = new QGroupBox(QStringLiteral(" Integration "), this);
    m_associateRtf = checkBox(QStringLiteral("Associate Ric&h Text Format Files (*.rtf) "),
                              QStringLiteral("CheckBox_AssociateRtf"), integration);
    m_associateTxt = checkBox(QStringLiteral("&Associate Text Files (*.txt)"),
                              QStringLiteral("CheckBox_AssociateTxt"), integration);
    m_sendTo = checkBox(QStringLiteral("Send to Quillpress Me&nu item"), QStringLiteral("CheckBox_SendTo"),
                        integration);
    auto* integrationLayout = new QVBoxLayout(integration);
    integrationLayout->addWidget(m_associateRtf);
    integrationLayout->addWidget(m_associateTxt);
    integrationLayout->addWidget(m_sendTo);

    auto* editor = new QGroupBox(QStringLiteral(" Editor "), this);
    m_linesPerPage = lineEdit(QStringLiteral("Edit_LinesPerPage"), editor);
    m_linesPerPage->setMaxLength(3);
    m_linesPerPage->setMaximumWidth(m_linesPerPage->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    m_linesPerPage->setContextMenuPolicy(Qt::PreventContextMenu);
    m_linesPerPage->installEventFilter(this);
    m_autoIndent = checkBox(QStringLiteral("Auto Indent, &Bullets and Numbering"),
                            QStringLiteral("CheckBox_AutoIndent"), editor);
    auto* editorLayout = new QFormLayout(editor);
    editorLayout->addRow(new QLabel(QStringLiteral("Lines per Page:"), editor), m_linesPerPage);
    editorLayout->addRow(m_autoIndent);

    auto* file = new QGroupBox(QStringLiteral(" File "), this);
    m_fileType = new QComboBox(file);
    m_fileType->setObjectName(QStringLiteral("ComboBox_FileType"));
    m_fileType->addItems({QStringLiteral("Rich Text Format (*.rtf)"), QStringLiteral("Text (*.txt)")});
    m_fileType->setContextMenuPolicy(Qt::PreventContextMenu);
    m_notesFileName = checkBox(QStringLiteral("&Use 'Notes' + Date as Default Filename "),
                               QStringLiteral("CheckBox_NotesFileName"), file);
    auto* fileLayout = new QFormLayout(file);
    fileLayout->addRow(new QLabel(QStringLiteral("Default Filetype:"), file), m_fileType);
    fileLayout->addRow(m_notesFileName);

    auto* dateTime = new QGroupBox(QStringLiteral(" Date and Time "), this);
    m_dateFormat = lineEdit(QStringLiteral("Edit_DateFormat"), dateTime);
    m_timeFormat = lineEdit(QStringLiteral("Edit_TimeFormat"), dateTime);
    auto* dateTimeLayout = new QFormLayout(dateTime);
    dateTimeLayout->addRow(new QLabel(QStringLiteral("Date Format:"), dateTime), m_dateFormat);
    dateTimeLayout->addRow(new QLabel(QStringLiteral("Time Format:"), dateTime), m_timeFormat);

    auto* run = new QGroupBox(QStringLiteral(" Run "), this);
    m_runPath = lineEdit(QStringLiteral("Edit_RunPath"), run);
    m_runPath->setMinimumWidth(200);
    m_browseRun = new QPushButton(QStringLiteral("..."), run);
    m_browseRun->setObjectName(QStringLiteral("Button_RunBrowse"));
    m_browseRun->setAutoDefault(false);
    m_browseRun->setFixedWidth(m_browseRun->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    auto* runLayout = new QHBoxLayout(run);
    runLayout->addWidget(m_runPath);
    runLayout->addWidget(m_browseRun);

    auto* misc = new QGroupBox(QStringLiteral(" Miscellaneous "), this);
    m_dialogPosition = checkBox(QStringLiteral("Remember &Dialog Position"),
                                QStringLiteral("CheckBox_DialogPosition"), misc);
    m_escToQuit = checkBox(QStringLiteral("Use  &Esc to quit program"), QStringLiteral("CheckBox_Esc"), misc);
    m_recovery = checkBox(QStringLiteral("Keep &Recovery Copies of Unsaved Documents"),
                          QStringLiteral("CheckBox_Recovery"), misc);
    auto* miscLayout = new QVBoxLayout(misc);
    miscLayout->addWidget(m_dialogPosition);
    miscLayout->addWidget(m_escToQuit);
    miscLayout->addWidget(m_recovery);

    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("C&ancel"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* grid = new QGridLayout;
    grid->addWidget(integration, 0, 0);
    grid->addWidget(editor, 1, 0);
    grid->addWidget(file, 2, 0);
    grid->addWidget(dateTime, 0, 1);
    grid->addWidget(run, 1, 1);
    grid->addWidget(misc, 2, 1);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);
    // Fixed size, and never smaller than its contents.
    main->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* order[] = {m_associateRtf, m_associateTxt, m_sendTo,    m_linesPerPage,   m_autoIndent,
                        m_fileType,     m_notesFileName, m_dateFormat, m_timeFormat,    m_runPath,
                        m_browseRun,    m_dialogPosition, m_escToQuit, m_recovery, m_ok,            m_cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_ok, &QPushButton::clicked, this, [this] { okClicked(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A shortcut of the dialog's own, so that the main window's F4 (which
    // shows this dialog) leaves the key to it while it has the focus.
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_F4), this);
    connect(closeKey, &QShortcut::activated, this, &QDialog::reject);
    connect(m_browseRun, &QPushButton::clicked, this,
            [this] { runGuarded(m_messages, [this] { browseRunPath(); }); });
}

SettingsControls TForm_Settings::controlState() const
{
    SettingsControls state;
    state.associateRtf = m_associateRtf->isChecked();
    state.associateTxt = m_associateTxt->isChecked();
    state.sendTo = m_sendTo->isChecked();
    state.linesPerPage = m_linesPerPage->text();
    state.autoIndent = m_autoIndent->isChecked();
    state.fileType = m_fileType->currentIndex() == 1 ? FileType::Text : FileType::Rtf;
    state.notesFileName = m_notesFileName->isChecked();
    state.dateFormat = m_dateFormat->text();
    state.timeFormat = m_timeFormat->text();
    state.runPath = m_runPath->text();
    state.rememberDialogPosition = m_dialogPosition->isChecked();
    state.escToQuit = m_escToQuit->isChecked();
    state.recoveryEnabled = m_recovery->isChecked();
    return state;
}

void TForm_Settings::setControlState(const SettingsControls& state)
{
    m_associateRtf->setChecked(state.associateRtf);
    m_associateTxt->setChecked(state.associateTxt);
    m_sendTo->setChecked(state.sendTo);
    m_linesPerPage->setText(state.linesPerPage);
    m_autoIndent->setChecked(state.autoIndent);
    m_fileType->setCurrentIndex(static_cast<int>(state.fileType));
    m_notesFileName->setChecked(state.notesFileName);
    m_dateFormat->setText(state.dateFormat);
    m_timeFormat->setText(state.timeFormat);
    m_runPath->setText(state.runPath);
    m_dialogPosition->setChecked(state.rememberDialogPosition);
    m_escToQuit->setChecked(state.escToQuit);
    m_recovery->setChecked(state.recoveryEnabled);
}

void TForm_Settings::loadSettings()
{
    SettingsControls state = controlState();
    // What was read before a failing value still shows.
    const auto showRead = qScopeGuard([&] { setControlState(state); });
    qp::loadSettings(m_registry, m_options, state, m_host);
}

void TForm_Settings::showSettings()
{
    runGuarded(m_messages, [this] { loadSettings(); });
    runGuarded(m_messages, [this] {
        SettingsControls state = controlState();
        checkAssociations(m_registry, state, m_host);
        setControlState(state);
        m_shown = state;
    });
    centreOnScreen();
    show();
    raise();
    activateWindow();
}

void TForm_Settings::applyOk(OkMode mode)
{
    // The install sets every association; the dialog's OK only those the user changed.
    qp::applyOk(m_registry, m_options, controlState(), m_host, mode,
                mode == OkMode::Dialog && m_shown ? &*m_shown : nullptr);
}

void TForm_Settings::setInstallDefaults()
{
    SettingsControls state = controlState();
    qp::setInstallDefaults(state);
    setControlState(state);
}

void TForm_Settings::okClicked()
{
    runGuarded(m_messages, [this] {
        applyOk(OkMode::Dialog);
        accept();
    });
}

void TForm_Settings::browseRunPath()
{
    FileDialogRequest request;
    // In front of this dialog, which is kept on top of the other windows.
    request.parent = this;
    // Programs on Linux carry no extension: the first entry lists the files
    // the user may run, the second every file.
    request.filter = QStringLiteral("Executable Files|*|All Files|*");
    request.programsEntry = 1;
    request.fileName = m_runPath->text();
    request.mustExist = true;
    const FileDialogResult result = m_fileDialogs.open(request);
    if (result.accepted)
        m_runPath->setText(result.fileName);
}

void TForm_Settings::centreOnScreen()
{
    adjustSize();
    const QScreen* target = screen();
    if (!target)
        return;
    const QRect area = target->geometry();
    move(area.left() + area.width() / 2 - width() / 2, area.top() + area.height() / 2 - height() / 2);
}

void TForm_Settings::keyPressEvent(QKeyEvent* event)
{
    // F4 shows the dialog from the main window and closes it from here.
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm_Settings::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_linesPerPage && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!isAllowedTypedText(key->text()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace qp
