// The main window's place and size under a real window manager: what the
// window frame does to stored positions, and maximize, full screen and back.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "store/Registry.h"

#include <QGuiApplication>
#include <QScreen>

using namespace qp;
using namespace qp::test;

namespace {

class MainWindowOnDesktop : public DesktopFixture {
protected:
    QPoint storedPosition()
    {
        const auto key = RegKey::openSettingsRead(registry(), QStringLiteral("MainForm"));
        if (!key)
            return QPoint(-1, -1);
        return QPoint(key->readInteger(QStringLiteral("Main_Left")), key->readInteger(QStringLiteral("Main_Top")));
    }
};

TEST_F(MainWindowOnDesktop, TheWindowComesBackExactlyWhereItWasAfterEachRestart)
{
    startOnDesktop();
    const QRect screenBounds = QGuiApplication::primaryScreen()->geometry();
    // The first start centres the whole window, frame included.
    EXPECT_EQ(frameOnScreen(app()).topLeft(),
              QPoint(screenBounds.width() / 2 - 320, screenBounds.height() / 2 - 240));
    EXPECT_EQ(app().size(), QSize(640, 480));
    screenshot(QStringLiteral("main-window-first-start"));

    // The user puts it somewhere else.
    app().move(137, 91);
    waitUntilPlaced(app());
    const QPoint where = frameOnScreen(app()).topLeft();
    ASSERT_EQ(where, QPoint(137, 91));

    for (int round = 1; round <= 3; ++round) {
        restartOnDesktop();
        EXPECT_EQ(storedPosition(), where) << "stored at quit " << round;
        EXPECT_EQ(frameOnScreen(app()).topLeft(), where) << "placed at start " << round;
        EXPECT_EQ(app().frameGeometry().topLeft(), where) << "as Qt sees it, start " << round;
        EXPECT_EQ(app().size(), QSize(640, 480)) << round;
    }
}

TEST_F(MainWindowOnDesktop, MaximizeFullScreenEscAndRestoreReturnToTheNormalBounds)
{
    startOnDesktop();
    app().resize(700, 500);
    app().move(150, 120);
    waitUntilPlaced(app());
    const QRect normal = frameOnScreen(app());
    ASSERT_EQ(normal.topLeft(), QPoint(150, 120));

    keys(QStringLiteral("F12"));
    ASSERT_TRUE(waitFor([&] { return app().isMaximized(); }));
    waitUntilPlaced(app());
    keys(QStringLiteral("F11"));
    ASSERT_TRUE(waitFor([&] { return app().values().fullScreen; }));
    waitUntilPlaced(app());
    EXPECT_EQ(frameOnScreen(app()), QGuiApplication::primaryScreen()->geometry());
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(waitFor([&] { return !app().values().fullScreen && app().isMaximized(); }));
    waitUntilPlaced(app());
    keys(QStringLiteral("F12"));
    ASSERT_TRUE(waitFor([&] { return !app().isMaximized(); }));
    waitUntilPlaced(app());

    EXPECT_EQ(frameOnScreen(app()), normal) << "the title bar is on the screen and the size is the old one";
    const auto key = RegKey::openSettingsRead(registry(), QStringLiteral("MainForm"));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger(QStringLiteral("BeforeMax_Main_Left")), 150);
    EXPECT_EQ(key->readInteger(QStringLiteral("BeforeMax_Main_Top")), 120);
    EXPECT_EQ(key->readInteger(QStringLiteral("BeforeMax_Main_Width")), 700);
    EXPECT_EQ(key->readInteger(QStringLiteral("BeforeMax_Main_Height")), 500);
    screenshot(QStringLiteral("main-window-after-full-screen"));
}

}  // namespace
