#include "settings/Window_FirstRun.h"

#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "settings/FirstRun.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qp {

TForm_FirstRun::TForm_FirstRun(Registry& registry, MessageService& messages, SettingsHost& settings,
                               SetupHost& host, QWidget* parent)
    : QDialog(parent), m_registry(registry), m_messages(messages), m_settings(settings), m_host(host)
{
    setObjectName(QStringLiteral("TForm_FirstRun"));
    setWindowTitle(QStringLiteral("Setup"));
    setModal(false);
    // Only a close box. Window managers that keep their buttons whatever the
    // hints say (openbox) are answered in changeEvent.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
}

void TForm_FirstRun::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // The window has no minimise box, yet a window manager may minimise it
    // anyway, and with it the main window it belongs to: both come back, the
    // main window first so that this one stays in front.
    if (QWidget* owner = parentWidget(); owner && owner->isMinimized())
        owner->setWindowState(owner->windowState() & ~Qt::WindowMinimized);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm_FirstRun::buildControls()
{
    auto* information = new QGroupBox(QStringLiteral(" Information "), this);
    m_installed = new QLabel(information);
    m_installed->setObjectName(QStringLiteral("Label_InstalledVersion"));
    m_thisVersion = new QLabel(information);
    m_thisVersion->setObjectName(QStringLiteral("Label_ThisVersion"));
    auto* informationLayout = new QVBoxLayout(information);
    informationLayout->addWidget(m_installed);
    informationLayout->addWidget(m_thisVersion);

    auto* options = new QGroupBox(QStringLiteral(" Options "), this);
    m_install = new QRadioButton(QStringLiteral("&Use this version (Registry install)"), options);
    m_install->setObjectName(QStringLiteral("RadioButton_Install"));
    m_install->setChecked(true);
    m_uninstall = new QRadioButton(QStringLiteral("Remov&e installed version and quit (Registry uninstall)"), options);
    m_uninstall->setObjectName(QStringLiteral("RadioButton_Uninstall"));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(m_install);
    optionsLayout->addWidget(m_uninstall);

    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("C&ancel"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(information);
    layout->addWidget(options);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_install, m_uninstall);
    setTabOrder(m_uninstall, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded(m_messages, [this] { okClicked(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_FirstRun::refreshLabels()
{
    const QString installed = installedVersion(m_registry);
    m_installed->setText(QStringLiteral("Installed version:\t\t")
                         + (installed.isEmpty() ? QStringLiteral("None") : installed));
    m_thisVersion->setText(QStringLiteral("This version:\t\t") + thisVersion());
}

void TForm_FirstRun::versionCheck()
{
    if (!setupNeeded(m_registry))
        return;
    refreshLabels();
    centreOnScreen();
    show();
    raise();
    activateWindow();
    m_ok->setFocus();
}

void TForm_FirstRun::showSetup()
{
    refreshLabels();
    centreOnScreen();
    show();
    raise();
    activateWindow();
    m_ok->setFocus();
}

void TForm_FirstRun::okClicked()
{
    const bool install = m_install->isChecked();
    const QString question = install ? QStringLiteral("Quillpress will now perform a registry install.     ")
                                     : QStringLiteral("Quillpress will now perform a registry uninstall.     ");
    if (m_messages.confirm(question + QStringLiteral("\rContinue?"), Buttons::YesNo) != Answer::Yes)
        return;
    if (install) {
        registryInstall(m_registry, m_host, m_messages);
        hide();
        return;
    }
    registryUninstall(m_registry, m_settings, m_host, m_messages, false);
    hide();
    m_host.endProgram();
}

void TForm_FirstRun::centreOnScreen()
{
    adjustSize();
    const QScreen* target = screen();
    if (!target)
        return;
    const QRect area = target->geometry();
    move(area.left() + area.width() / 2 - width() / 2, area.top() + area.height() / 2 - height() / 2);
}

}  // namespace qp
