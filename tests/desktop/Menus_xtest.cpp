// Menus opened from the keyboard and closed with Esc: the menu bar takes the
// keyboard focus from the editor, which the offscreen platform never shows.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "editor/RichEdit.h"
#include "settings/Settings.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

class MenusOnDesktop : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        startOnDesktop();
        editor().setFocus();
        processEvents();
    }

    QMenu* menu(const char* name) { return app().menuBar()->findChild<QMenu*>(QLatin1String(name)); }
    bool opens(QMenu* shown)
    {
        return waitFor([&] { return QApplication::activePopupWidget() == shown && shown->isVisible(); });
    }
    bool allClosed()
    {
        return waitFor([] { return QApplication::activePopupWidget() == nullptr; });
    }
    QPoint title(const char* name)
    {
        QMenuBar* bar = app().menuBar();
        return bar->mapToGlobal(bar->actionGeometry(menu(name)->menuAction()).center());
    }
    bool enabled(Command command) { return app().action(command)->isEnabled(); }
    bool checked(Command command) { return app().action(command)->isChecked(); }
};

TEST_F(MenusOnDesktop, AMenuOpenedFromTheKeyboardShowsTheEditorsCommands)
{
    editor().setText(QStringLiteral("Meeting notes"));
    editor().setSelection(13, 0);
    keys(QStringLiteral("s"));
    ASSERT_TRUE(waitFor([&] { return editor().text() == QLatin1String("Meeting notess"); }));
    keys(QStringLiteral("ctrl+a"));
    ASSERT_TRUE(waitFor([&] { return editor().selLength() == 14; }));

    keys(QStringLiteral("alt+e"));
    ASSERT_TRUE(opens(menu("Edit")));
    // The case that matters: the menu bar, not the editor, has the keyboard now.
    EXPECT_EQ(QApplication::focusWidget(), app().menuBar());
    for (const Command command : {Command::EditUndo1, Command::EditCut1, Command::EditCopy1, Command::EditSelectAll1})
        EXPECT_TRUE(enabled(command)) << app().action(command)->objectName().toStdString();
    screenshot(QStringLiteral("edit-menu-opened-with-alt-e"));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());

    keys(QStringLiteral("alt+o"));
    ASSERT_TRUE(opens(menu("Format")));
    for (const Command command : {Command::RichEditBold1, Command::RichEditItalic1, Command::RichEditUnderline1,
                                  Command::RichEditAlignLeft1, Command::RichEditAlignRight1,
                                  Command::RichEditAlignCenter1})
        EXPECT_TRUE(enabled(command)) << app().action(command)->objectName().toStdString();
    keys(QStringLiteral("Escape"));
    EXPECT_TRUE(allClosed());
}

TEST_F(MenusOnDesktop, CheckMarksAreThoseOfTheSelectionWhenTheMenuShows)
{
    editor().setText(QStringLiteral("A title"));
    keys(QStringLiteral("ctrl+e"));
    keys(QStringLiteral("alt+o"));
    ASSERT_TRUE(opens(menu("Format")));
    EXPECT_TRUE(checked(Command::RichEditAlignCenter1));
    EXPECT_FALSE(checked(Command::RichEditAlignRight1));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());

    // Each way of opening the menu shows the state after the last command.
    keys(QStringLiteral("ctrl+r"));
    clickAt(title("Format"));
    ASSERT_TRUE(opens(menu("Format")));
    EXPECT_TRUE(checked(Command::RichEditAlignRight1));
    EXPECT_FALSE(checked(Command::RichEditAlignCenter1));
    EXPECT_FALSE(checked(Command::RichEditAlignLeft1));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());

    keys(QStringLiteral("ctrl+b"));
    keys(QStringLiteral("alt+o"));
    ASSERT_TRUE(opens(menu("Format")));
    EXPECT_TRUE(checked(Command::RichEditBold1));
    EXPECT_TRUE(checked(Command::RichEditAlignRight1));
    keys(QStringLiteral("Escape"));
    EXPECT_TRUE(allClosed());
}

TEST_F(MenusOnDesktop, EscapeAfterAMenuGivesTheKeyboardBackToTheEditor)
{
    clickAt(title("File"));
    ASSERT_TRUE(opens(menu("File")));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());
    EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == &editor(); }));
    // A letter types again, instead of opening the menu with that access key.
    keys(QStringLiteral("e"));
    EXPECT_TRUE(waitFor([&] { return editor().text() == QLatin1String("e"); }));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    keys(QStringLiteral("alt+f"));
    ASSERT_TRUE(opens(menu("File")));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());
    EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == &editor(); }));
    keys(QStringLiteral("x"));
    EXPECT_TRUE(waitFor([&] { return editor().text() == QLatin1String("ex"); }));
}

TEST_F(MenusOnDesktop, AnEscapeThatClosesAMenuNeverQuits)
{
    app().settingsHost().setEscToQuit(true);
    clickAt(title("File"));
    ASSERT_TRUE(opens(menu("File")));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());
    QTest::qWait(300);
    EXPECT_TRUE(app().isVisible());

    keys(QStringLiteral("alt+e"));
    ASSERT_TRUE(opens(menu("Edit")));
    keys(QStringLiteral("Right"));
    ASSERT_TRUE(opens(menu("Insert")));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(allClosed());
    QTest::qWait(300);
    EXPECT_TRUE(app().isVisible());

    // With no menu open, Esc is the program's: it quits.
    keys(QStringLiteral("Escape"));
    EXPECT_TRUE(waitFor([&] { return !app().isVisible(); }));
}

}  // namespace
