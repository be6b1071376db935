// Insert Character through the running program: the entries, inserting and zoom.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editing/Window_InsertCharacter.h"
#include "editor/RichEdit.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

TEST(CharacterEntry, NumberColonSpacesAndTheCharacter)
{
    const std::pair<int, QString> cases[] = {
        {32, QStringLiteral("32:        ")},
        {65, QStringLiteral("65:       A")},
        {99, QStringLiteral("99:       c")},
        {100, QStringLiteral("100:     d")},
        {128, QStringLiteral("128:     \u20AC")},
        {149, QStringLiteral("149:     \u2022")},
        {165, QStringLiteral("165:     \u00A5")},
        {255, QStringLiteral("255:     \u00FF")},
    };
    for (const auto& [code, entry] : cases)
        EXPECT_EQ(characterEntry(code), entry) << code;
}

class InsertCharacter : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setText(QStringLiteral("abc"));
        editor().setSelection(1, 1);
        editor().setFocus();
    }
    TForm_InsertCharacter& dialog() { return *app().windows().insertCharacter; }
    QListWidget& list() { return *dialog().findChild<QListWidget*>("ListBox1"); }
    void open()
    {
        press(QKeySequence(Qt::CTRL | Qt::Key_K));
        ASSERT_TRUE(dialog().isVisible());
    }
};

TEST_F(InsertCharacter, EveryOpeningStartsAtTheSpaceAndInsertsReplaceTheSelection)
{
    open();
    ASSERT_EQ(list().count(), 224);
    EXPECT_EQ(list().currentRow(), 0);
    list().setCurrentRow(255 - 32);
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(editor().text(), QStringLiteral("a\u00FFc"));
    EXPECT_TRUE(dialog().isVisible());
    // Each insertion is its own step: one undo takes back the last one only.
    list().setCurrentRow(128 - 32);
    QTest::mouseClick(dialog().findChild<QPushButton*>("Button1"), Qt::LeftButton);
    EXPECT_EQ(editor().text(), QStringLiteral("a\u00FF\u20ACc"));

    QTest::keyClick(&list(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(list().count(), 0);
    open();
    EXPECT_EQ(list().currentRow(), 0);
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(editor().text(), QStringLiteral("a\u00FF\u20AC c"));
}

TEST_F(InsertCharacter, ZoomSwitchesBetweenEightAndTwelveAndSurvivesClosing)
{
    open();
    EXPECT_EQ(list().font().pointSize(), 8);
    QPushButton* zoom = dialog().findChild<QPushButton*>("Button2");
    QTest::mouseClick(zoom, Qt::LeftButton);
    EXPECT_EQ(list().font().pointSize(), 12);
    press(QKeySequence(Qt::CTRL | Qt::Key_K));
    EXPECT_FALSE(dialog().isVisible());
    open();
    EXPECT_EQ(list().font().pointSize(), 12);
    QTest::mouseClick(zoom, Qt::LeftButton);
    EXPECT_EQ(list().font().pointSize(), 8);
}

TEST_F(InsertCharacter, TheListFollowsTheFontAtTheCaret)
{
    CharFormat format;
    format.fontName = QStringLiteral("Liberation Serif");
    editor().selectAllText();
    editor().setSelectionCharFormat(format, CharAttribute::Name);
    editor().setSelection(1, 0);
    open();
    QApplication::setActiveWindow(&dialog());
    processEvents();
    EXPECT_EQ(list().font().family(), "Liberation Serif");
}

}  // namespace
