// Dialogs in front of the windows they belong to, and where they first open.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "editing/Window_FindAndReplace.h"
#include "platform/Registry.h"
#include "settings/Window_Settings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

using namespace qp;
using namespace qp::test;

namespace {

class DialogsOnDesktop : public DesktopFixture {};

TEST_F(DialogsOnDesktop, ARememberedDialogOpensWhereItWasAlsoTheFirstTime)
{
    RegKey key = RegKey::openSettingsWrite(registry(), QStringLiteral("FindAndReplace"));
    key.writeInteger(QStringLiteral("Position_Left"), 200);
    key.writeInteger(QStringLiteral("Position_Top"), 150);
    startOnDesktop();
    app().options().rememberDialogPosition = true;
    TForm_FindAndReplace& find = *app().windows().findAndReplace;

    for (int opening = 1; opening <= 2; ++opening) {
        keys(QStringLiteral("ctrl+f"));
        ASSERT_TRUE(waitFor([&] { return find.isVisible(); }));
        waitUntilPlaced(find);
        EXPECT_EQ(frameOnScreen(find).topLeft(), QPoint(200, 150)) << "opening " << opening;
        find.close();
        ASSERT_TRUE(waitFor([&] { return !find.isVisible(); }));
        EXPECT_EQ(key.readInteger(QStringLiteral("Position_Top")), 150) << "stored as it closes, " << opening;
    }
}

}  // namespace
