// Go To Line and line marks through the running program: the field's texts,
// the history, the conversion error and Mark Line.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editing/Window_GoToLine.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines.join(QStringLiteral("\r\n"));
}

class GoToLine : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setText(numberedLines(30));
        editor().setSelection(0, 0);
        editor().setFocus();
    }
    TForm_GoToLine& dialog() { return *app().windows().goToLine; }
    QComboBox& field() { return *dialog().findChild<QComboBox*>("ComboBox1"); }
    void open()
    {
        press(QKeySequence(Qt::CTRL | Qt::Key_G));
        ASSERT_TRUE(dialog().isVisible());
    }
    // Types the text into the field and presses Enter there.
    void goTo(const QString& text)
    {
        field().setEditText(text);
        QTest::keyClick(field().lineEdit(), Qt::Key_Return);
        processEvents();
    }
};

struct FieldCase {
    const char* name;
    const char* field;
    int line;  // 0: the conversion error
    const char* numberText;
};

void PrintTo(const FieldCase& c, std::ostream* os)
{
    *os << c.name;
}

class GoToLineField : public GoToLine, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(GoToLineField, GoesToTheLineOrFails)
{
    const FieldCase& c = GetParam();
    open();
    editor().setSelection(3, 0);
    goTo(QString::fromUtf8(c.field));
    if (c.line == 0) {
        EXPECT_EQ(messages.errors().value(0),
                  QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(c.numberText)));
        EXPECT_EQ(editor().selStart(), 3);
        EXPECT_EQ(editor().selLength(), 0);
        EXPECT_TRUE(dialog().isVisible());
        return;
    }
    EXPECT_TRUE(messages.errors().isEmpty());
    const QString expected = c.line < 30 ? QStringLiteral("line %1\r\n").arg(c.line) : QStringLiteral("line 30");
    EXPECT_EQ(editor().selText(), expected);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(editor().hasFocus());
}

INSTANTIATE_TEST_SUITE_P(, GoToLineField,
                         ::testing::Values(FieldCase{"Number", "12", 12, ""},
                                           FieldCase{"Mark", "Mark: 12", 12, ""},
                                           FieldCase{"LeadingSpaces", "   12", 12, ""},
                                           FieldCase{"Signed", "+7", 7, ""},
                                           FieldCase{"FirstLine", "1", 1, ""},
                                           FieldCase{"LastLineRunsToTheEnd", "30", 30, ""},
                                           // Past either end: the nearest line there is.
                                           FieldCase{"PastTheEnd", "500", 30, ""},
                                           FieldCase{"Zero", "0", 1, ""},
                                           FieldCase{"Negative", "-4", 1, ""},
                                           FieldCase{"LowerCaseMark", "mark: 12", 0, "mark: 12"},
                                           FieldCase{"Letters", "twelve", 0, "twelve"},
                                           FieldCase{"Empty", "", 0, ""},
                                           FieldCase{"MarkWithoutNumber", "Mark: x", 0, " x"},
                                           FieldCase{"TrailingSpace", "12 ", 0, "12 "}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GoToLine, TheHistoryIsSortedAsTextAndHoldsEachEntryOnce)
{
    open();
    dialog().findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    for (const char* text : {"9", "10", "9", "Mark: 2", "Mark: 10", "25"})
        goTo(QString::fromLatin1(text));
    EXPECT_EQ(dialog().history(), QStringList({"10", "25", "9", "Mark: 10", "Mark: 2"}));
    // Don't Close Dialog keeps it open, with the field's text selected for the next number.
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(field().lineEdit()->selectedText(), "25");
    EXPECT_EQ(editor().selText(), "line 25\r\n");
}

TEST_F(GoToLine, AFailedGoEntersTheHistoryOnlyWhenTheDialogCloses)
{
    open();
    goTo("abc");
    EXPECT_TRUE(dialog().history().isEmpty());
    QTest::keyClick(field().lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().history(), QStringList({"abc"}));
}

TEST_F(GoToLine, MarkLineAddsOneEntryForTheCaretsLine)
{
    editor().setSelection(editor().lineIndex(6) + 2, 3);
    press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().history(), QStringList({"Mark: 7"}));
    EXPECT_EQ(field().currentText(), "Mark: 7");

    // A second mark of the same line changes neither the list nor the field.
    field().setEditText("3");
    press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    EXPECT_EQ(dialog().history(), QStringList({"Mark: 7"}));
    EXPECT_EQ(field().currentText(), "3");

    // Going to a mark is choosing it and pressing Go.
    editor().setSelection(0, 0);
    open();
    field().setCurrentIndex(0);
    QTest::mouseClick(dialog().findChild<QPushButton*>("Button1"), Qt::LeftButton);
    EXPECT_EQ(editor().selText(), "line 7\r\n");
}

TEST_F(GoToLine, CtrlGClosesTheDialogAndTheFieldKeepsItsText)
{
    open();
    field().setEditText("14");
    press(QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_FALSE(dialog().isVisible());
    open();
    EXPECT_EQ(field().currentText(), "14");
    EXPECT_EQ(dialog().focusWidget(), &field());
}

// Lines are display lines: with word wrap a long paragraph counts as several.
TEST_F(GoToLine, WrappedLinesCountAsLines)
{
    editor().setText(QString(400, QLatin1Char('w')).replace(QLatin1Char('w'), QStringLiteral("word ")) +
                     QStringLiteral("\r\nlast"));
    const int lines = editor().lineCount();
    ASSERT_GT(lines, 3);
    open();
    dialog().findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    goTo(QString::number(lines));
    EXPECT_EQ(editor().selText(), "last");
    goTo(QStringLiteral("2"));
    EXPECT_EQ(editor().selStart(), editor().lineIndex(1));
    EXPECT_EQ(editor().selLength(), editor().lineIndex(2) - editor().lineIndex(1));
}

}  // namespace

namespace {

// The field takes what is typed, key by key, as it stands: an entry of the
// history that begins with it is never put in its place.
struct TypedCase {
    const char* name;
    const char* history;  // gone to first, in turn
    const char* typed;
    int line;  // 0: the conversion error
};

void PrintTo(const TypedCase& c, std::ostream* os)
{
    *os << c.name;
}

class GoToLineTyped : public GoToLine, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(GoToLineTyped, WhatIsTypedIsWhatCounts)
{
    const TypedCase& c = GetParam();
    editor().setText(numberedLines(200));
    field().clear();
    for (const QString& entry : QString::fromUtf8(c.history).split(QLatin1Char('|'))) {
        open();
        goTo(entry);
    }
    open();
    editor().setSelection(3, 0);
    field().lineEdit()->clear();
    QTest::keyClicks(field().lineEdit(), QString::fromUtf8(c.typed));
    EXPECT_EQ(field().currentText(), QString::fromUtf8(c.typed)) << "the field shows what was typed";
    QTest::keyClick(field().lineEdit(), Qt::Key_Return);
    processEvents();
    if (c.line == 0) {
        EXPECT_EQ(messages.errors().value(0),
                  QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(c.typed)));
        EXPECT_EQ(editor().selStart(), 3);
        return;
    }
    EXPECT_TRUE(messages.errors().isEmpty());
    EXPECT_EQ(editor().selText(), QStringLiteral("line %1\r\n").arg(c.line));
}

INSTANTIATE_TEST_SUITE_P(, GoToLineTyped,
                         ::testing::Values(TypedCase{"ANumberThatBeginsAnEntry", "150", "15", 15},
                                           TypedCase{"ADigitOfAnEntry", "123|12", "1", 1},
                                           TypedCase{"ALowerCaseMark", "Mark: 12", "mark: 12", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
