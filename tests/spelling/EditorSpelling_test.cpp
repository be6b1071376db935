// Spell checking in the program: the marks drawn over the text (never
// saved), the editor menu's suggestions, the word list across a restart, the
// View switch, through the program as main starts it (the tests' own small
// dictionary, whatever the machine has).
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "editor/RichEditLayout.h"
#include "spelling/EditorSpelling.h"
#include "spelling/SpellingMarks.h"
#include "store/Registry.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace qp;
using namespace qp::test;

namespace {

class Spelling : public AppFixture {
protected:
    void SetUp() override { begin(); }
    void begin()
    {
        start();
        editor().setFocus();
    }
    // The underlined words of the document, after the shown paragraphs are checked.
    QStringList marked()
    {
        app().spelling().marks().checkVisibleNow();
        QStringList words;
        const ParagraphDecorator* decorator = editor().paragraphDecorator();
        if (!decorator)
            return words;
        for (QTextBlock b = editor().document()->begin(); b.isValid(); b = b.next()) {
            QList<QTextLayout::FormatRange> formats;
            decorator->decorate(b, formats);
            for (const auto& f : formats) {
                EXPECT_EQ(f.format.underlineStyle(), QTextCharFormat::SpellCheckUnderline);
                words << b.text().mid(f.start, f.length);
            }
        }
        return words;
    }
    void typeText(const QString& text)
    {
        type(text);
        processEvents();
    }
    // The editor menu as Shift+F10 opens it at the caret.
    QMenu* openMenuAtCaret()
    {
        press(QKeySequence("Shift+F10"));
        processEvents();
        QMenu* menu = app().popupMenu(2);
        EXPECT_TRUE(menu->isVisible());
        return menu;
    }
    QStringList texts(QMenu* menu)
    {
        QStringList list;
        for (QAction* a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    }
    void choose(QMenu* menu, const QString& text)
    {
        for (QAction* a : menu->actions()) {
            if (a->text() == text) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                processEvents();
                return;
            }
        }
        ADD_FAILURE() << "no item " << text.toStdString();
    }
    QString wordListPath() const { return settingsFolder() + "/PersonalWords.txt"; }
};

TEST_F(Spelling, MisspeltWordsAreUnderlinedButNotTheOneBeingTyped)
{
    typeText("Teh quick browm fox jumps ovre");
    // The caret is still in "ovre": it is left alone until the writer moves on.
    EXPECT_EQ(marked(), (QStringList{"Teh", "browm"}));
    typeText(" the");
    EXPECT_EQ(marked(), (QStringList{"Teh", "browm", "ovre"}));
}

TEST_F(Spelling, AnOpenedFileIsCheckedToo)
{
    loadNamedFile(app(), writeFile("plain.txt", "Teh fox\r\njumps ovre"));
    EXPECT_EQ(marked(), (QStringList{"Teh", "ovre"}));
    loadNamedFile(app(), writeFile("rich.rtf", "{\\rtf1\\ansi {\\b Teh} fox browm}"));
    EXPECT_EQ(marked(), (QStringList{"Teh", "browm"}));
}

TEST_F(Spelling, ADamagedSwitchLeavesCheckingOnAndStartUpGoesOn)
{
    RegKey::openSettingsWrite(registry(), "Spelling").writeString("SpellCheck_Enabled", "garbage");
    const QString file = writeFile("doc.txt", "Teh fox");
    restart({file});
    EXPECT_EQ(editor().text(), "Teh fox");
    EXPECT_TRUE(app().spelling().isEnabled());
}

TEST_F(Spelling, MarksFollowAnEditBeforeTheyAreCheckedAgain)
{
    typeText("the fox ovre the dog");
    press(QKeySequence(Qt::Key_Return));
    EXPECT_EQ(marked(), QStringList{"ovre"});
    editor().setSelection(0, 0);
    type("a ");
    // Drawn where the word now stands, before the pause that checks again.
    const QTextBlock first = editor().document()->begin();
    QList<QTextLayout::FormatRange> formats;
    editor().paragraphDecorator()->decorate(first, formats);
    ASSERT_EQ(formats.size(), 1);
    EXPECT_EQ(first.text().mid(formats[0].start, formats[0].length), "ovre");
}

TEST_F(Spelling, MarksAreNeverSavedIntoTheDocument)
{
    typeText("Teh fox jumps ovre the dog. ");
    const QByteArray checkedRtf = editor().richText();
    ASSERT_EQ(marked(), (QStringList{"Teh", "ovre"}));
    EXPECT_EQ(editor().richText(), checkedRtf);
    EXPECT_FALSE(checkedRtf.contains("\\ul"));
    const QString path = scratchPath("marked.rtf");
    editor().saveFile(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("\\ul"));
    // And nothing in the text's own formats.
    QTextCursor cursor(editor().document());
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().underlineStyle(), QTextCharFormat::NoUnderline);
}

TEST_F(Spelling, TheMenuOffersSuggestionsAboveItsOwnItemsAndEnterTakesTheFirstAsOneUndoStep)
{
    typeText("Teh fox");
    editor().setSelection(1, 0);
    QMenu* menu = openMenuAtCaret();
    const QStringList items = texts(menu);
    ASSERT_GE(items.size(), 11);
    EXPECT_EQ(items.first(), "The");
    const qsizetype add = items.indexOf("Add to Dictionary");
    ASSERT_GE(add, 2);
    EXPECT_LE(add, 6);
    EXPECT_EQ(items[add - 1], "-");
    EXPECT_EQ(items.mid(add), (QStringList{"Add to Dictionary", "Ignore All", "-", "&Undo", "-", "Cu&t", "&Copy",
                                           "&Paste", "-", "Select &All"}));
    EXPECT_EQ(menu->activeAction()->text(), "The");
    QTest::keyClick(menu, Qt::Key_Return);
    processEvents();
    EXPECT_EQ(editor().text(), "The fox");
    EXPECT_EQ(editor().selStart(), 3);
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "Teh fox");
}

TEST_F(Spelling, EveryWayOfOpeningTheEditorMenuOffersTheWordsSuggestions)
{
    typeText("fox Teh");
    for (const QKeySequence& keys : {QKeySequence("Shift+F10"), QKeySequence(Qt::Key_Menu), QKeySequence("Ctrl+Alt+Space")}) {
        editor().setSelection(5, 0);
        press(keys);
        processEvents();
        QMenu* menu = app().popupMenu(2);
        EXPECT_TRUE(menu->isVisible()) << keys.toString().toStdString();
        EXPECT_EQ(menu->actions().value(0)->text(), "The") << keys.toString().toStdString();
        menu->hide();
    }
    // A right click takes the word under the pointer, wherever the caret is.
    editor().setSelection(0, 0);
    QTextCursor at(editor().document());
    at.setPosition(6);
    Q_EMIT editor().customContextMenuRequested(editor().cursorRect(at).center());
    processEvents();
    EXPECT_EQ(app().popupMenu(2)->actions().value(0)->text(), "The");
    app().popupMenu(2)->hide();
}

TEST_F(Spelling, AWordSpeltRightOpensTheMenuWithItsOwnItemsOnly)
{
    typeText("Teh fox");
    editor().setSelection(1, 0);
    openMenuAtCaret()->hide();
    editor().setSelection(5, 0);
    EXPECT_EQ(openMenuAtCaret()->actions().size(), 7);
}

TEST_F(Spelling, AddedWordsAreKeptInTheWordListAcrossARestart)
{
    typeText("Quillpress writers");
    editor().setSelection(2, 0);
    choose(openMenuAtCaret(), "Add to Dictionary");
    EXPECT_TRUE(marked().isEmpty());
    QFile list(wordListPath());
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), QByteArray("Quillpress\n"));

    messages.answer(Answer::No);  // the typed text is not saved
    restart();
    editor().setFocus();
    typeText("Quillpress writers");
    EXPECT_TRUE(marked().isEmpty());
}

TEST_F(Spelling, WordsAnotherWindowAddsAreTakenIn)
{
    typeText("zorblat fox ");
    ASSERT_EQ(marked(), QStringList{"zorblat"});
    // What another window of the program does on Add to Dictionary.
    ASSERT_TRUE(PersonalWordList(wordListPath()).add("zorblat"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return marked().isEmpty(); }, 5000));
}

TEST_F(Spelling, IgnoreAllLastsUntilTheProgramEnds)
{
    typeText("zorblat and zorblat ");
    editor().setSelection(2, 0);
    choose(openMenuAtCaret(), "Ignore All");
    EXPECT_TRUE(marked().isEmpty());
    EXPECT_FALSE(QFile::exists(wordListPath()));
    messages.answer(Answer::No);  // the typed text is not saved
    restart();
    editor().setFocus();
    typeText("zorblat ");
    EXPECT_EQ(marked(), QStringList{"zorblat"});
}

TEST_F(Spelling, ADamagedWordListIsReadWithoutHarm)
{
    QFile list(wordListPath());
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(QByteArray("\x00\xff\xfe\x01garbage\n", 12) + "zorblat\n" + QByteArray(3'000'000, '\x7f'));
    list.close();
    restart();
    editor().setFocus();
    typeText("zorblat fox ");
    EXPECT_TRUE(marked().isEmpty());
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(Spelling, TheViewSwitchTurnsCheckingOffAndIsStored)
{
    QAction* entry = app().action(Command::View_CheckSpelling);
    EXPECT_TRUE(entry->isEnabled());
    EXPECT_TRUE(entry->isChecked());
    typeText("Teh fox ");
    EXPECT_EQ(marked(), QStringList{"Teh"});
    entry->trigger();
    EXPECT_FALSE(entry->isChecked());
    EXPECT_EQ(editor().paragraphDecorator(), nullptr);
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "Spelling")->readInteger("SpellCheck_Enabled"), 0);
    editor().setSelection(1, 0);
    EXPECT_EQ(openMenuAtCaret()->actions().size(), 7);

    messages.answer(Answer::No);
    restart();
    EXPECT_FALSE(app().action(Command::View_CheckSpelling)->isChecked());
    EXPECT_FALSE(app().spelling().isEnabled());
}

TEST_F(Spelling, WithoutADictionaryTheSwitchIsDisabledAndSaysWhy)
{
    useDictionaryFolder(scratchPath("no-dictionaries"));
    restart();
    QAction* entry = app().action(Command::View_CheckSpelling);
    EXPECT_FALSE(entry->isEnabled());
    EXPECT_FALSE(entry->isChecked());
    EXPECT_TRUE(entry->toolTip().contains("No spelling dictionary is installed"));
    EXPECT_EQ(entry->statusTip(), entry->toolTip());
    typeText("Teh fox");
    editor().setSelection(1, 0);
    EXPECT_EQ(openMenuAtCaret()->actions().size(), 7);
}

}  // namespace
