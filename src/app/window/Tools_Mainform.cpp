#include "app/window/Tools_Mainform.h"

#include "app/Applic.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/SystemServices.h"

namespace qp {

namespace {

const QString MainForm = QStringLiteral("MainForm");

}  // namespace

void applyBeforeMaxBounds(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), MainForm);
    if (!key)
        return;
    // Sizes are the client size and positions the frame's, so that a stored
    // geometry comes back unchanged whatever the window manager's frame.
    const int width = key->readInteger(QStringLiteral("BeforeMax_Main_Width"), app.width());
    const int height = key->readInteger(QStringLiteral("BeforeMax_Main_Height"), app.height());
    const int left = key->readInteger(QStringLiteral("BeforeMax_Main_Left"), app.frameGeometry().left());
    const int top = key->readInteger(QStringLiteral("BeforeMax_Main_Top"), app.frameGeometry().top());
    app.move(left, top);
    app.resize(width, height);
}

void restoreWindowGeometry(TApp& app)
{
    const QRect screen = app.services().screen.screenGeometry();
    const auto key = RegKey::openSettingsRead(app.registry(), MainForm);
    auto read = [&](const char* name, int fallback) {
        return key ? key->readInteger(QString::fromLatin1(name), fallback) : fallback;
    };
    if (read("Main_State", 10) == 1) {
        app.setWindowState(app.windowState() | Qt::WindowMaximized);
        return;
    }
    app.setWindowState(app.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    const int width = read("Main_Width", 640);
    const int height = read("Main_Height", 480);
    const int left = read("Main_Left", screen.width() / 2 - 320);
    const int top = read("Main_Top", screen.height() / 2 - 240);
    app.resize(width, height);
    app.move(left, top);
}

void storeWindowGeometry(TApp& app)
{
    RegKey key = RegKey::openSettingsWrite(app.registry(), MainForm);
    const QRect bounds = app.frameGeometry();
    key.writeInteger(QStringLiteral("Main_Width"), app.width());
    key.writeInteger(QStringLiteral("Main_Height"), app.height());
    key.writeInteger(QStringLiteral("Main_Left"), bounds.left());
    key.writeInteger(QStringLiteral("Main_Top"), bounds.top());
    key.writeInteger(QStringLiteral("Main_State"), app.isMaximized() ? 1 : 0);
}

void storeBeforeMaxBounds(TApp& app)
{
    RegKey key = RegKey::openSettingsWrite(app.registry(), MainForm);
    const QRect bounds = app.frameGeometry();
    key.writeInteger(QStringLiteral("BeforeMax_Main_Width"), app.width());
    key.writeInteger(QStringLiteral("BeforeMax_Main_Height"), app.height());
    key.writeInteger(QStringLiteral("BeforeMax_Main_Left"), bounds.left());
    key.writeInteger(QStringLiteral("BeforeMax_Main_Top"), bounds.top());
}

}  // namespace qp
