// Auto words: the file's entries, the list at the caret with its keys and
// mouse, the sort order, and the Edit Auto Words dialog, in the running program.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editing/AutoWordList.h"
#include "editing/Window_EditAutoWords.h"
#include "editor/RichEdit.h"
#include "settings/Window_FirstRun.h"
#include "store/Registry.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

struct FileCase {
    const char* name;
    QByteArray bytes;
    QStringList entries;
};

void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.name;
}

class AutoWordFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(AutoWordFile, OneEntryALine)
{
    EXPECT_EQ(autoWordEntries(GetParam().bytes), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    , AutoWordFile,
    ::testing::Values(
        FileCase{"CrLf", "one\r\ntwo\r\n", {"one", "two"}},
        FileCase{"CrOnly", "one\rtwo", {"one", "two"}},
        FileCase{"LfOnly", "one\ntwo\n", {"one", "two"}},
        // An empty line is an entry; the final line break adds none.
        FileCase{"EmptyLines", "one\r\n\r\ntwo\r\n\r\n", {"one", "", "two", ""}},
        FileCase{"Empty", "", {}},
        FileCase{"OnlyABreak", "\r\n", {""}},
        FileCase{"ZeroByteEndsTheText", QByteArray("one\r\ntw\0o\r\nthree", 16), {"one", "tw"}},
        FileCase{"Utf8", "caf\xC3\xA9\r\n", {QStringLiteral("caf\u00E9")}},
        FileCase{"Windows1252", "caf\xE9\r\n\x80uro", {QStringLiteral("caf\u00E9"), QStringLiteral("\u20ACuro")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AutoWordText, PeriodEntriesLoseTheirFirstFiveCharacters)
{
    EXPECT_EQ(autoWordText(".0001Dear Sir"), "Dear Sir");
    EXPECT_EQ(autoWordText(".abcd"), "");
    EXPECT_EQ(autoWordText(".ab"), "");
    EXPECT_EQ(autoWordText("Plain entry"), "Plain entry");
    const QString longPeriod = QStringLiteral(".xxxx") + QString(1500, QLatin1Char('y'));
    EXPECT_EQ(autoWordText(longPeriod), QString(1000, QLatin1Char('y')));
    const QString longPlain(3000, QLatin1Char('z'));
    EXPECT_EQ(autoWordText(longPlain), longPlain);
}

class AutoWords : public AppFixture {
protected:
    void writeWords(const QByteArray& bytes)
    {
        QFile file(QDir(programFolder()).filePath("Autowords.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void startWithWords(const QByteArray& bytes, int sortOrder = 1)
    {
        writeWords(bytes);
        RegKey::openSettingsWrite(registry(), "Miscellaneous").writeInteger("AutoWords_SortOrder", sortOrder);
        start();
        editor().setFocus();
    }
    AutoWordList& list() { return app().autoWordList(); }
    QAction* command(Command c) { return app().action(c); }
    void openList()
    {
        press(QKeySequence(Qt::ALT | Qt::Key_Backslash));
        ASSERT_TRUE(list().isVisible());
    }
    int storedOrder()
    {
        return RegKey::openSettingsRead(registry(), "Miscellaneous")->readInteger("AutoWords_SortOrder", -1);
    }
};

TEST_F(AutoWords, WithoutTheFileAutoWordStaysDisabled)
{
    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeInteger("AutoWords_SortOrder", 1);
    start();
    EXPECT_FALSE(app().commandEnabled(Command::Insert_AutoWords));
    EXPECT_TRUE(list().entries().isEmpty());
    // The toggle finds no file: nothing changes but the stored value is written again.
    app().runCommand(Command::Insert_ChangeSortOrder);
    EXPECT_TRUE(command(Command::Insert_ChangeSortOrder)->isChecked());
    EXPECT_EQ(storedOrder(), 1);
}

TEST_F(AutoWords, AFirstRunWithoutMiscellaneousLoadsNothing)
{
    writeWords("alpha\r\nbeta\r\n");
    registry().deleteKey(Hive::CurrentUser, settingsRoot());
    start();
    EXPECT_FALSE(app().commandEnabled(Command::Insert_AutoWords));
    EXPECT_TRUE(list().entries().isEmpty());
}

TEST_F(AutoWords, TheStoredOrderChoosesSortedOrFileOrder)
{
    startWithWords("pear\r\n\r\nApple\r\nbanana\r\n", 0);
    EXPECT_TRUE(app().commandEnabled(Command::Insert_AutoWords));
    EXPECT_FALSE(command(Command::Insert_ChangeSortOrder)->isChecked());
    EXPECT_EQ(list().entries(), QStringList({"pear", "", "Apple", "banana"}));
    press(QKeySequence(Qt::CTRL | Qt::Key_F5));
    EXPECT_TRUE(command(Command::Insert_ChangeSortOrder)->isChecked());
    EXPECT_EQ(list().entries(), QStringList({"", "Apple", "banana", "pear"}));
    EXPECT_EQ(storedOrder(), 1);
    app().runCommand(Command::Insert_ChangeSortOrder);
    EXPECT_EQ(list().entries(), QStringList({"pear", "", "Apple", "banana"}));
    EXPECT_EQ(storedOrder(), 0);
}

TEST_F(AutoWords, EnterInsertsTheSelectedEntryAndTheNextOpeningStartsThere)
{
    startWithWords("Kind regards,\r\n.0001Dear Sir\r\nThe End\r\n", 0);
    editor().setText("Hello world");
    editor().setSelection(6, 5);
    openList();
    QWidget* popup = list().view();
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    EXPECT_EQ(editor().text(), "Hello world");  // arrows only move the selection
    QTest::keyClick(popup, Qt::Key_Return);
    processEvents();
    EXPECT_EQ(editor().text(), "Hello Dear Sir");
    EXPECT_FALSE(list().isVisible());
    EXPECT_TRUE(editor().hasFocus());

    openList();
    EXPECT_EQ(list().currentText(), ".0001Dear Sir");
    QTest::keyClick(list().view(), Qt::Key_Escape);
    processEvents();
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(editor().text(), "Hello Dear Sir");
}

TEST_F(AutoWords, TypingCompletesAndEnterInTheFieldInserts)
{
    startWithWords("Chapter \r\nKind regards,\r\nkindly\r\n", 0);
    openList();
    // Typing in the open drop-down part goes to the field and picks the entry.
    QTest::keyClicks(list().view(), "KI");
    EXPECT_EQ(list().currentText(), "KInd regards,");
    EXPECT_EQ(list().currentIndex(), 1);
    EXPECT_EQ(list().lineEdit()->selectedText(), "nd regards,");
    QTest::keyClick(list().view(), Qt::Key_Return);
    processEvents();
    EXPECT_EQ(editor().text(), "Kind regards,");

    // Typed text that begins no entry selects nothing: Enter inserts nothing and hides the list.
    openList();
    list().hidePopup();
    QTest::keyClicks(list().lineEdit(), "zz");
    QTest::keyClick(list().lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(editor().text(), "Kind regards,");
}

TEST_F(AutoWords, AClickInTheDropDownInsertsAndAClickInTheEditorOnlyHides)
{
    startWithWords("first\r\nsecond\r\n", 0);
    openList();
    QAbstractItemView* view = list().view();
    const QRect second = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    processEvents();
    EXPECT_EQ(editor().text(), "second");
    EXPECT_FALSE(list().isVisible());

    openList();
    list().hidePopup();
    QTest::mouseClick(editor().viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(editor().text(), "second");
}

// The key press goes to the main window's commands (Esc leaves full screen or
// quits); its release hides the list.
TEST_F(AutoWords, EscInTheFieldHidesTheListOnRelease)
{
    startWithWords("only\r\n", 0);
    editor().setText("abc");
    editor().setSelection(1, 0);
    app().settingsHost().setEscToQuit(false);
    openList();
    list().hidePopup();
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(editor().text(), "abc");
    EXPECT_EQ(editor().selStart(), 1);
}

TEST_F(AutoWords, TheListOpensAtTheCaret)
{
    startWithWords("only\r\n", 0);
    editor().setText("some text\r\nsecond line");
    editor().setSelection(editor().textLength(), 0);
    openList();
    const QPoint caret = editor().viewport()->mapTo(list().parentWidget(), editor().cursorRect().topLeft());
    EXPECT_EQ(list().pos(), caret);
    EXPECT_EQ(list().width(), 185);
}

class EditAutoWords : public AutoWords {
protected:
    TForm_EditAutoWords& dialog() { return *app().windows().editAutoWords; }
    QPlainTextEdit& text() { return *dialog().findChild<QPlainTextEdit*>("RichEdit1"); }
    QCheckBox& sorted() { return *dialog().findChild<QCheckBox*>("CheckBox1"); }
    void open()
    {
        press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backslash));
        ASSERT_TRUE(dialog().isVisible());
    }
    void ok() { QTest::mouseClick(dialog().findChild<QPushButton*>("Button1"), Qt::LeftButton); }
};

TEST_F(EditAutoWords, OkCreatesTheFileAndEnablesAutoWord)
{
    // Nothing stored at all: the Setup window comes up and is closed.
    registry().deleteKey(Hive::CurrentUser, settingsRoot());
    start();
    app().windows().firstRun->hide();
    QApplication::setActiveWindow(&app());
    editor().setFocus();
    open();
    EXPECT_EQ(text().toPlainText(), "");
    EXPECT_TRUE(sorted().isChecked());
    text().setPlainText("zebra\nant");
    sorted().setChecked(false);
    ok();
    EXPECT_FALSE(dialog().isVisible());
    QFile file(QDir(programFolder()).filePath("Autowords.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "zebra\r\nant");
    EXPECT_TRUE(app().commandEnabled(Command::Insert_AutoWords));
    EXPECT_EQ(list().entries(), QStringList({"zebra", "ant"}));
    EXPECT_FALSE(command(Command::Insert_ChangeSortOrder)->isChecked());
    EXPECT_EQ(storedOrder(), 0);
}

TEST_F(EditAutoWords, CancelKeepsTheFileAndReopeningReadsItAgain)
{
    startWithWords("kept\r\n");
    open();
    EXPECT_EQ(text().toPlainText(), "kept\n");
    text().setPlainText("thrown away");
    QTest::mouseClick(dialog().findChild<QPushButton*>("Button2"), Qt::LeftButton);
    EXPECT_FALSE(dialog().isVisible());
    open();
    EXPECT_EQ(text().toPlainText(), "kept\n");
}

// A folder that cannot take the file (here a folder standing where the file
// should be, which stops even root): the message, and the dialog keeps the text.
TEST_F(EditAutoWords, AFileThatCannotBeWrittenKeepsTheDialogOpen)
{
    start();
    ASSERT_TRUE(QDir(programFolder()).mkdir("Autowords.txt"));
    open();
    text().setPlainText("my words");
    ok();
    EXPECT_EQ(messages.errors().value(0), "Cannot create file " + QDir(programFolder()).filePath("Autowords.txt"));
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(text().toPlainText(), "my words");
    EXPECT_FALSE(app().commandEnabled(Command::Insert_AutoWords));
}

}  // namespace

namespace {

// What the open list does with typed text and Enter, in the drop-down part
// (where the keys go while it is open) and in the field.
struct ListEnter {
    const char* name;
    const char* keys;  // typed into the drop-down part; "v" moves down in it
    bool inField;      // the drop-down closed first, the keys into the field
    const char* inserted;
};

void PrintTo(const ListEnter& c, std::ostream* os)
{
    *os << c.name;
}

class AutoWordEnter : public AutoWords, public ::testing::WithParamInterface<ListEnter> {};

TEST_P(AutoWordEnter, InsertsTheEntryTheTypedTextBeginsOrNothing)
{
    startWithWords("Chapter \r\nKind regards,\r\nkindly\r\n", 0);
    editor().setText("[]");
    editor().setSelection(1, 0);
    openList();
    QWidget* target = list().view();
    if (GetParam().inField) {
        list().hidePopup();
        target = list().lineEdit();
    }
    for (const QChar c : QString::fromLatin1(GetParam().keys)) {
        if (c == QLatin1Char('v'))
            QTest::keyClick(target, Qt::Key_Down);
        else
            QTest::keyClicks(target, QString(c));
    }
    QTest::keyClick(target, Qt::Key_Return);
    processEvents();
    EXPECT_FALSE(list().isVisible());
    EXPECT_EQ(editor().text(), QStringLiteral("[%1]").arg(QString::fromUtf8(GetParam().inserted)));
}

INSTANTIATE_TEST_SUITE_P(, AutoWordEnter,
                         ::testing::Values(ListEnter{"MatchInTheDropDown", "KI", false, "Kind regards,"},
                                           ListEnter{"NoMatchInTheDropDown", "zz", false, ""},
                                           ListEnter{"NoMatchThenDownInTheDropDown", "zzv", false, "Kind regards,"},
                                           ListEnter{"NoMatchInTheField", "zz", true, ""},
                                           ListEnter{"NoTypingTakesTheSelectedEntry", "", false, "Chapter "}),
                         [](const auto& info) { return std::string(info.param.name); });

// A right click on the list opens its own menu, Alphabetic Sort, and no other.
TEST_F(AutoWords, TheRightClickMenuIsAlphabeticSort)
{
    startWithWords("one\r\ntwo\r\n");
    openList();
    list().hidePopup();
    QWidget* field = list().lineEdit();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &click);
    processEvents();
    QMenu* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown, app().popupMenu(4));
    QStringList items;
    for (QAction* item : shown->actions())
        items << item->text();
    EXPECT_EQ(items, QStringList{"Alphabetic Sort"});
    shown->hide();
}

}  // namespace

namespace {

// A long-kept auto-word file (10 MB, about 200,000 entries) is read off the
// GUI thread: the program starts at once, and the list is whole by the time
// anything looks at it.
class LongAutoWordFile : public EditAutoWords {
protected:
    static const QByteArray& tenMegabytes()
    {
        static const QByteArray bytes = [] {
            QByteArray words;
            words.reserve(10'100'000);
            for (int i = 0; words.size() < 10'000'000; ++i)
                words += (i % 3 == 0 ? "Kind regards, entry " : "chapter heading number ")
                    + QByteArray::number(qint64(i) * 7919 % 200'003) + "\r\n";
            return words;
        }();
        return bytes;
    }
    static QStringList sortedEntries()
    {
        QStringList entries = autoWordEntries(tenMegabytes());
        sortAutoWordEntries(entries);
        return entries;
    }
    QString wordFile() const { return QDir(programFolder()).filePath("Autowords.txt"); }
};

TEST_F(LongAutoWordFile, TheListIsWholeWhateverComesFirst)
{
    const QStringList fileOrder = autoWordEntries(tenMegabytes());
    const QStringList sorted = sortedEntries();
    ASSERT_GT(fileOrder.size(), 150'000);
    ASSERT_NE(fileOrder, sorted);

    enum class First { AskForTheList, Type, OpenTheList, ChangeTheOrder };
    struct Case {
        const char* name;
        First first;
        QStringList expected;
    };
    // Alphabetic Sort turned off before the first load ends gives the file's
    // order, never the sorted entries of the load it replaced.
    const Case cases[] = {{"the list is asked for", First::AskForTheList, sorted},
                          {"typing goes on meanwhile", First::Type, sorted},
                          {"the list is opened", First::OpenTheList, sorted},
                          {"the order is changed", First::ChangeTheOrder, fileOrder}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startWithWords(tenMegabytes());
        EXPECT_TRUE(app().commandEnabled(Command::Insert_AutoWords));
        switch (c.first) {
        case First::AskForTheList:
            break;
        case First::Type:
            // The load ends while the user types; the document keeps every key.
            type("While the words load");
            while (list().loading())
                processEvents();
            EXPECT_EQ(editor().text(), "While the words load");
            break;
        case First::OpenTheList:
            // Opened before the load ends, it waits for it: every entry, the first selected.
            openList();
            EXPECT_EQ(list().count(), c.expected.size());
            EXPECT_EQ(list().currentText(), c.expected.first());
            QTest::keyClick(list().view(), Qt::Key_Escape);
            break;
        case First::ChangeTheOrder:
            press(QKeySequence(Qt::CTRL | Qt::Key_F5));
            break;
        }
        EXPECT_EQ(list().entries(), c.expected);
        // Nothing arrives late to replace what is there.
        processEvents();
        EXPECT_EQ(list().entries(), c.expected);
        stop();
    }
}

// Alphabetic Sort from the open list's own menu reorders it at once: a
// reorder that arrived later would replace what the user typed meanwhile.
TEST_F(AutoWords, TheOpenListTakesANewOrderAtOnce)
{
    startWithWords("pear\r\nApple\r\nbanana\r\n", 1);
    openList();
    EXPECT_EQ(list().currentText(), "Apple");
    app().runCommand(Command::Insert_ChangeSortOrder);
    EXPECT_FALSE(list().loading());
    EXPECT_EQ(list().itemText(0), "pear");
    EXPECT_EQ(list().currentText(), "pear");
    QTest::keyClicks(list().lineEdit(), "typed");
    processEvents();
    EXPECT_EQ(list().currentText(), "peartyped") << "nothing arrives later to replace the typing";
}

// The file is written only by OK in Edit Auto Words, from the dialog's own
// reading of it; an OK or a close while the list is still loading keeps every entry.
TEST_F(LongAutoWordFile, SavesWhileLoadingKeepEveryEntry)
{
    startWithWords(tenMegabytes());
    open();
    ok();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(messages.errors().isEmpty()) << messages.errors().join('\n').toStdString();
    EXPECT_EQ(readAll(wordFile()), tenMegabytes());
    EXPECT_EQ(list().entries(), sortedEntries());

    // Closed at once after the start, while the list loads.
    restart();
    ASSERT_TRUE(app().close());
    stop();
    EXPECT_EQ(readAll(wordFile()), tenMegabytes());
    start();
    EXPECT_EQ(list().entries(), sortedEntries());
}

}  // namespace
