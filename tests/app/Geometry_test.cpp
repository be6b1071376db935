// Window geometry, the editor column, Stay on Top and full screen.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/window/EditorColumn.h"
#include "app/window/Tools_Mainform.h"
#include "editing/Tools_Statusbar.h"
#include "editor/RichEdit.h"
#include "platform/WindowManagement.h"
#include "store/Registry.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QMenuBar>

#include <climits>

using namespace qp;
using namespace qp::test;

namespace {

class Geometry : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    EditorColumn& column() { return app().column(); }
    std::optional<RegKey> mainForm() { return RegKey::openSettingsRead(registry(), "MainForm"); }
    void writersModeOn()
    {
        press(QKeySequence("Ctrl+0"));
        ASSERT_TRUE(column().writersMode());
    }
};

TEST_F(Geometry, FirstStartIsNotMaximizedAndWritersModeIsOff)
{
    EXPECT_FALSE(app().isMaximized());
    EXPECT_FALSE(column().writersMode());
    EXPECT_EQ(editor().geometry(), column().rect()) << "the editor fills the window";
}

TEST_F(Geometry, QuitMaximizedThenRestartAndRestoreReturnsToTheFormerBounds)
{
    app().resize(700, 500);
    app().move(50, 60);
    press(QKeySequence(Qt::Key_F12));
    ASSERT_TRUE(app().isMaximized());
    auto key = mainForm();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("BeforeMax_Main_Width"), 700);
    EXPECT_EQ(key->readInteger("BeforeMax_Main_Left"), 50);
    app().close();
    EXPECT_EQ(mainForm()->readInteger("Main_State"), 1);

    start();
    EXPECT_TRUE(app().isMaximized());
    press(QKeySequence(Qt::Key_F12));
    EXPECT_FALSE(app().isMaximized());
    EXPECT_EQ(app().size(), QSize(700, 500));
    EXPECT_EQ(app().frameGeometry().topLeft(), QPoint(50, 60));
}

// Bounds in the settings that would give a window no one can see or reach.
struct DamagedBoundsCase {
    const char* name;
    int left, top, width, height;
    QRect expected;  // the frame's top left and the client size
};

class DamagedBounds : public Geometry, public ::testing::WithParamInterface<DamagedBoundsCase> {};

TEST_P(DamagedBounds, OpenAUsableWindowOnAScreen)
{
    const DamagedBoundsCase& c = GetParam();
    app().close();
    screen.geometry = QRect(0, 0, 1920, 1080);
    {
        RegKey key = RegKey::openSettingsWrite(registry(), "MainForm");
        key.writeInteger("Main_State", 0);
        key.writeInteger("Main_Left", c.left);
        key.writeInteger("Main_Top", c.top);
        key.writeInteger("Main_Width", c.width);
        key.writeInteger("Main_Height", c.height);
    }
    start();
    EXPECT_EQ(QRect(app().frameGeometry().topLeft(), app().size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedBounds,
    ::testing::Values(DamagedBoundsCase{"ZeroWidth", 100, 100, 0, 500, QRect(100, 100, 640, 480)},
                      DamagedBoundsCase{"AllBitsSet", 100, 100, -1, -1, QRect(100, 100, 640, 480)},
                      DamagedBoundsCase{"LowestNumber", 100, 100, INT_MIN, INT_MIN, QRect(100, 100, 640, 480)},
                      DamagedBoundsCase{"FarOffScreen", 100, 0x7fffffff, 800, 600, QRect(560, 240, 800, 600)},
                      DamagedBoundsCase{"LargerThanTheScreen", 0, 0, 5000, 4000, QRect(0, 0, 1920, 1080)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Geometry, MaximizingByTheFrameRecordsTheBoundsItLeaves)
{
    app().resize(610, 455);
    app().move(70, 80);
    processEvents();
    app().showMaximized();
    processEvents();
    const auto key = mainForm();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("BeforeMax_Main_Width"), 610);
    EXPECT_EQ(key->readInteger("BeforeMax_Main_Height"), 455);
    EXPECT_EQ(key->readInteger("BeforeMax_Main_Left"), 70);
    EXPECT_EQ(key->readInteger("BeforeMax_Main_Top"), 80);
}

TEST_F(Geometry, StayOnTopStoresTheGeometryAndIsRestored)
{
    app().resize(720, 510);
    press(QKeySequence("Ctrl+M"));
    EXPECT_TRUE(app().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(app().action(Command::View_Stayontop)->isChecked());
    auto key = mainForm();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("Main_Width"), 720);
    EXPECT_EQ(key->readInteger("StayOnTop_Enabled"), 1);

    restart();
    EXPECT_TRUE(app().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(app().action(Command::View_Stayontop)->isChecked());
    press(QKeySequence("Ctrl+M"));
    EXPECT_FALSE(app().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(mainForm()->readInteger("StayOnTop_Enabled"), 0);
}

TEST_F(Geometry, FullScreenFromANormalWindowAndBack)
{
    app().resize(660, 470);
    app().move(30, 40);
    editor().setText("some text here");
    editor().setSelection(5, 4);
    press(QKeySequence(Qt::Key_F11));

    EXPECT_TRUE(app().values().fullScreen);
    EXPECT_EQ(app().geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_TRUE(app().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(app().menuAttached());
    EXPECT_FALSE(app().commandEnabled(Command::View_MaximizeRestore));
    EXPECT_EQ(editor().selStart(), 5);
    EXPECT_EQ(editor().selLength(), 4);
    EXPECT_EQ(mainForm()->readInteger("Main_Width"), 660) << "stored as full screen begins";

    // Shortcuts work through the action lists while the menu is detached.
    press(QKeySequence("Ctrl+T"));
    EXPECT_TRUE(app().statusBar1().isHidden());
    press(QKeySequence("Ctrl+T"));

    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(app().values().fullScreen);
    EXPECT_TRUE(app().isVisible()) << "Esc leaves full screen and never quits";
    EXPECT_TRUE(app().menuAttached());
    EXPECT_FALSE(app().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(app().size(), QSize(660, 470));
    EXPECT_EQ(app().frameGeometry().topLeft(), QPoint(30, 40));
    EXPECT_EQ(editor().selStart(), 5);
    EXPECT_EQ(editor().selLength(), 4);
}

TEST_F(Geometry, FullScreenFromAMaximizedWindowReturnsMaximized)
{
    press(QKeySequence(Qt::Key_F12));
    press(QKeySequence(Qt::Key_F11));
    EXPECT_FALSE(app().isMaximized());
    press(QKeySequence(Qt::Key_F12));
    EXPECT_FALSE(app().isMaximized()) << "Maximize/Restore is disabled in full screen";
    press(QKeySequence(Qt::Key_F11));
    EXPECT_TRUE(app().isMaximized());
}

TEST_F(Geometry, ClosingInFullScreenKeepsTheGeometryStoredWhenItBegan)
{
    app().resize(600, 400);
    press(QKeySequence(Qt::Key_F11));
    app().close();
    restart();
    EXPECT_EQ(app().size(), QSize(600, 400));
}

TEST_F(Geometry, ColumnCommandsDoNothingOutsideWritersMode)
{
    const int left = column().leftWidth();
    const int width = column().editorWidth();
    for (const char* key : {"Alt+X", "Alt+Z", "Alt+Q", "Alt+W", "Alt+R", "Alt+C"})
        press(QKeySequence(key));
    EXPECT_EQ(column().leftWidth(), left);
    EXPECT_EQ(column().editorWidth(), width);
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(Geometry, WritersModeOnResetsTheColumnToEqualMargins)
{
    app().resize(800, 500);
    writersModeOn();
    EXPECT_EQ(column().leftWidth(), 30);
    EXPECT_EQ(column().rightWidth(), 30);
    EXPECT_EQ(editor().geometry().left(), 34);
}

struct StepCase {
    const char* name;
    int editorWidth;
    const char* key;
    int after;
};

class DecreaseSteps : public Geometry, public ::testing::WithParamInterface<StepCase> {};

TEST_P(DecreaseSteps, StopAtThirtyOrLess)
{
    writersModeOn();
    column().setEditorWidth(GetParam().editorWidth);
    press(QKeySequence::fromString(GetParam().key));
    EXPECT_EQ(column().editorWidth(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(, DecreaseSteps,
                         ::testing::Values(StepCase{"From50", 50, "Alt+Z", 30}, StepCase{"From30", 30, "Alt+Z", 30},
                                           StepCase{"From40", 40, "Alt+Z", 20}, StepCase{"From20", 20, "Alt+Z", 20}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Geometry, IncreaseAndMoveNeedRoomOnTheRight)
{
    app().resize(800, 500);
    writersModeOn();
    press(QKeySequence("Alt+X"));
    EXPECT_EQ(column().rightWidth(), 30) << "no room: the right margin is 30";
    press(QKeySequence("Alt+Z"));
    press(QKeySequence("Alt+Z"));
    EXPECT_EQ(column().rightWidth(), 70);
    press(QKeySequence("Alt+W"));
    EXPECT_EQ(column().leftWidth(), 50);
    EXPECT_EQ(column().rightWidth(), 50);
    press(QKeySequence("Alt+Q"));
    press(QKeySequence("Alt+Q"));
    EXPECT_EQ(column().leftWidth(), 30) << "a left margin of 30 does not move further left";
}

TEST_F(Geometry, CenterMakesTheMarginsEqualAndNothingWhenTheEditorIsWider)
{
    app().resize(800, 500);
    writersModeOn();
    column().setEditorWidth(400);
    press(QKeySequence("Alt+C"));
    EXPECT_EQ(column().leftWidth(), column().rightWidth());

    column().setLeftWidth(30);
    column().setEditorWidth(900);
    press(QKeySequence("Alt+C"));
    EXPECT_EQ(column().leftWidth(), 30);
}

TEST_F(Geometry, TheColumnIsStoredAtCloseAndRestoredWithWritersMode)
{
    app().resize(800, 500);
    writersModeOn();
    column().setEditorWidth(500);
    column().setLeftWidth(70);
    app().close();
    restart();
    EXPECT_TRUE(column().writersMode());
    EXPECT_EQ(column().editorWidth(), 500) << "the stored column is kept at start-up";
    EXPECT_EQ(column().leftWidth(), 70);
}

TEST_F(Geometry, DraggingTheDividersKeepsThirtyPixels)
{
    app().resize(800, 500);
    writersModeOn();
    auto drag = [](QWidget* divider, int dx) {
        QTest::mousePress(divider, Qt::LeftButton, {}, QPoint(2, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(2 + dx, 10), divider->mapToGlobal(QPointF(2 + dx, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(divider, &move);
        QTest::mouseRelease(divider, Qt::LeftButton, {}, QPoint(2 + dx, 10));
    };
    drag(app().findChild<QWidget*>("Splitter1"), -100);
    EXPECT_EQ(column().leftWidth(), 30);
    column().setEditorWidth(300);
    drag(app().findChild<QWidget*>("Splitter2"), 1000);
    EXPECT_EQ(column().rightWidth(), 30) << "the right margin keeps 30 pixels";
    drag(app().findChild<QWidget*>("Splitter2"), -1000);
    EXPECT_EQ(column().editorWidth(), 30);
    drag(app().findChild<QWidget*>("Splitter1"), 40);
    EXPECT_EQ(column().leftWidth(), 70);
}

}  // namespace
