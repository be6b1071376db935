// Word wrap, the scroll bars and Writers Mode: the document state kept, the
// caret after the scroll-bar toggle, the stored values and their restore.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/window/EditorColumn.h"
#include "editing/Tools_Statusbar.h"
#include "editor/RichEdit.h"
#include "store/Registry.h"

#include <QAction>

using namespace qp;
using namespace qp::test;

namespace {

class ViewToggles : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    int stored(const char* name) { return RegKey::openSettingsRead(registry(), "Miscellaneous")->readInteger(name); }
};

TEST_F(ViewToggles, FirstStartHasWordWrapAndScrollBarsOnAndWritersModeOff)
{
    EXPECT_TRUE(editor().wordWrap());
    EXPECT_EQ(editor().scrollBars(), ScrollBars::Both);
    EXPECT_FALSE(app().column().writersMode());
    EXPECT_TRUE(app().action(Command::View_WordwrapEnabled)->isChecked());
    EXPECT_TRUE(app().action(Command::View_ScrollBarEnabled)->isChecked());
    EXPECT_FALSE(app().action(Command::View_WritersMode)->isChecked());
}

struct KeepCase {
    const char* name;
    const char* key;
};

class TogglesKeepTheState : public ViewToggles, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(TogglesKeepTheState, ModifiedStaysModifiedAndSavedStaysSaved)
{
    loadNamedFile(app(), writeFile("doc.txt", "saved text"));
    press(QKeySequence::fromString(GetParam().key));
    EXPECT_EQ(app().document().state, DocState::Saved);
    EXPECT_EQ(app().statusBar1().panelText(5), "Saved");
    type("x");
    press(QKeySequence::fromString(GetParam().key));
    EXPECT_EQ(app().document().state, DocState::Modified);
}

INSTANTIATE_TEST_SUITE_P(, TogglesKeepTheState,
                         ::testing::Values(KeepCase{"WordWrap", "Ctrl+W"}, KeepCase{"ScrollBars", "Ctrl+Alt+B"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewToggles, ScrollBarToggleLeavesTheCaretAtTheFormerSelectionStart)
{
    editor().setText("one two three");
    editor().setSelection(4, 3);
    press(QKeySequence("Ctrl+Alt+B"));
    EXPECT_EQ(editor().scrollBars(), ScrollBars::None);
    EXPECT_EQ(editor().selStart(), 4);
    EXPECT_EQ(editor().selLength(), 0);
    EXPECT_EQ(editor().textInset().right(), 10) << "the inset stays without scroll bars";
    EXPECT_EQ(stored("ScrollBar_Enabled"), 0);
}

// The Lines panel counts display lines: a word-wrap toggle changes them at once.
TEST_F(ViewToggles, WordWrapToggleRecountsTheLines)
{
    app().resize(400, 300);
    editor().setText(QString("a paragraph long enough to wrap in a narrow window, and wrap again, and once more ")
                         .repeated(3)
                     + "\r\nshort");
    editor().completeLineLayout();
    processEvents();
    const QString wrapped = app().statusBar1().panelText(PanelLines);
    ASSERT_NE(wrapped, "Lines: 2");
    press(QKeySequence("Ctrl+W"));
    processEvents();
    EXPECT_EQ(app().statusBar1().panelText(PanelLines), "Lines: 2");
    press(QKeySequence("Ctrl+W"));
    editor().completeLineLayout();
    processEvents();
    EXPECT_EQ(app().statusBar1().panelText(PanelLines), wrapped);
}

TEST_F(ViewToggles, StoredValuesComeBackAtStartUp)
{
    press(QKeySequence("Ctrl+W"));
    press(QKeySequence("Ctrl+Alt+B"));
    press(QKeySequence("Ctrl+0"));
    EXPECT_EQ(stored("WordWrap_Enabled"), 0);
    EXPECT_EQ(stored("WritersMode_Enabled"), 1);

    restart();
    EXPECT_FALSE(editor().wordWrap());
    EXPECT_EQ(editor().scrollBars(), ScrollBars::None);
    EXPECT_TRUE(app().column().writersMode());
    EXPECT_FALSE(app().action(Command::View_WordwrapEnabled)->isChecked());
    EXPECT_TRUE(app().action(Command::View_WritersMode)->isChecked());
    EXPECT_EQ(app().document().state, DocState::New) << "start-up ends with a new document";
}

TEST_F(ViewToggles, WritersModeOnResetsTheColumnEveryTime)
{
    app().resize(800, 500);
    press(QKeySequence("Ctrl+0"));
    app().column().setLeftWidth(100);
    press(QKeySequence("Ctrl+0"));
    EXPECT_FALSE(app().column().writersMode());
    EXPECT_EQ(editor().geometry(), app().column().rect());
    press(QKeySequence("Ctrl+0"));
    EXPECT_EQ(app().column().leftWidth(), 30);
}

}  // namespace
