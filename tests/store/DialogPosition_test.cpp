#include "store/DialogPosition.h"

#include "platform/Errors.h"
#include "platform/WindowManagement.h"
#include "store/Registry.h"

#include <QRect>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

using namespace qp;

namespace {

class DialogPositionTest : public ::testing::Test {
protected:
    DialogPositionTest()
    {
        m_dialog.resize(200, 101);
        m_dialog.move(5, 6);
    }

    RegKey goToLine() { return RegKey::openSettingsWrite(m_registry, QStringLiteral("GoToLine")); }

    QTemporaryDir m_dir;
    Registry m_registry{m_dir.path()};
    QWidget m_dialog;
    const QRect m_mainWindow{10, 20, 641, 481};
};

TEST_F(DialogPositionTest, SavesTheFrameCornerUnderTheDialogsSubkey)
{
    m_dialog.move(-30, 417);
    saveDialogPosition(m_registry, m_dialog, QStringLiteral("FindAndReplace"));
    const std::optional<RegKey> key = RegKey::openSettingsRead(m_registry, QStringLiteral("FindAndReplace"));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger(QStringLiteral("Position_Left")), m_dialog.frameGeometry().left());
    EXPECT_EQ(key->readInteger(QStringLiteral("Position_Top")), m_dialog.frameGeometry().top());
    EXPECT_EQ(key->readInteger(QStringLiteral("Position_Left")), -30);
}

TEST_F(DialogPositionTest, RememberedPositionRoundTrips)
{
    m_dialog.move(321, 123);
    saveDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"));
    m_dialog.move(0, 0);
    restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), true, m_mainWindow);
    EXPECT_EQ(m_dialog.frameGeometry().topLeft(), QPoint(321, 123));
}

TEST_F(DialogPositionTest, APositionOffEveryScreenCentresTheDialogOnThePrimaryScreen)
{
    const QRect screen = screenBounds().value(0);
    ASSERT_FALSE(screen.isEmpty());
    goToLine().writeInteger(QStringLiteral("Position_Left"), 40);
    goToLine().writeInteger(QStringLiteral("Position_Top"), 0x7fffffff);
    restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), true, m_mainWindow);
    EXPECT_EQ(m_dialog.frameGeometry().center(), screen.center());
}

TEST_F(DialogPositionTest, MissingSubkeyKeepsThePosition)
{
    restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), true, m_mainWindow);
    EXPECT_EQ(m_dialog.pos(), QPoint(5, 6));
}

TEST_F(DialogPositionTest, MissingCoordinatesReadAs150)
{
    goToLine().writeInteger(QStringLiteral("Position_Left"), 40);
    restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), true, m_mainWindow);
    EXPECT_EQ(m_dialog.pos(), QPoint(40, 150));

    goToLine().deleteValue(QStringLiteral("Position_Left"));
    restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), true, m_mainWindow);
    EXPECT_EQ(m_dialog.pos(), QPoint(150, 150));
}

TEST_F(DialogPositionTest, WithRememberOffCentresOnTheMainWindowWhateverIsStored)
{
    goToLine().writeInteger(QStringLiteral("Position_Left"), 40);
    struct Case {
        QRect main;
        QPoint expected;
    };
    // Odd sizes on both sides: each half is rounded toward zero on its own.
    for (const Case& c : {Case{QRect(10, 20, 641, 481), QPoint(10 + 320 - 100, 20 + 240 - 50)},
                          Case{QRect(-500, -400, 101, 51), QPoint(-500 + 50 - 100, -400 + 25 - 50)}}) {
        restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), false, c.main);
        EXPECT_EQ(m_dialog.pos(), c.expected);
    }
}

TEST_F(DialogPositionTest, AStoredTextInPlaceOfACoordinateIsAnError)
{
    goToLine().writeInteger(QStringLiteral("Position_Left"), 40);
    goToLine().writeString(QStringLiteral("Position_Top"), QStringLiteral("12"));
    try {
        restoreDialogPosition(m_registry, m_dialog, QStringLiteral("GoToLine"), true, m_mainWindow);
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Invalid data type for 'Position_Top'"));
    }
    // What was read before the failure stays applied.
    EXPECT_EQ(m_dialog.pos(), QPoint(40, 6));
}

}  // namespace
