// Copies of the unsaved document kept against a crash: written a moment after
// a change, gone on save and on a clean close, offered at the next start after
// a program that ended without closing.
#include "support/AppFixture.h"
#include "support/ScopedEnv.h"

#include "app/Applic.h"
#include "app/document/Recovery.h"
#include "app/document/Tools_File.h"
#include "app/document/Window_RecoverDocuments.h"
#include "editor/DocumentSnapshot.h"
#include "editor/RichEdit.h"
#include "rtf/RtfWriter.h"
#include "settings/Window_Settings.h"
#include "store/Registry.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace qp;
using namespace qp::test;

namespace {

class Recovery : public AppFixture {
protected:
    // Copies follow a change after 50 ms here, not seconds.
    ScopedEnv m_delay{"QUILLPRESS_RECOVERY_DELAY_MS", "50"};

    QStringList copies() const
    {
        return QDir(recoveryFolder()).entryList({"*.rtf", "*.txt"}, QDir::Files);
    }
    QStringList everything() const { return QDir(recoveryFolder()).entryList(QDir::Files); }
    // Waits until the writer has put a copy holding `text` on disk.
    bool waitForCopyWith(const QString& text)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            processEvents();
            app().recovery().flush();
            for (const QString& name : copies()) {
                if (readAll(QDir(recoveryFolder()).filePath(name)).contains(text.toUtf8()))
                    return true;
            }
            QTest::qWait(20);
        }
        return false;
    }
    TForm_RecoverDocuments* recoverWindow() { return app().findChild<TForm_RecoverDocuments*>("TForm_RecoverDocuments"); }
    void click(const char* button)
    {
        QTest::mouseClick(recoverWindow()->findChild<QPushButton*>(button), Qt::LeftButton);
        processEvents();
    }
};

struct KindCase {
    const char* name;
    const char* fileName;  // null: unnamed
    bool rich;
};

void PrintTo(const KindCase& c, std::ostream* out)
{
    *out << c.name;
}

class RecoveryKinds : public Recovery, public ::testing::WithParamInterface<KindCase> {};

// A crash after typing: the next start offers the copy, and Open brings the
// text back unsaved under the document's own name.
TEST_P(RecoveryKinds, ACopyLeftByACrashIsOfferedAndOpened)
{
    const KindCase& c = GetParam();
    start();
    QString path;
    if (c.fileName) {
        path = writeFile(c.fileName, c.rich ? "{\\rtf1 Chapter one.}" : "Chapter one.\n");
        loadNamedFile(app(), path);
    } else {
        app().options().defaultFileType = c.rich ? FileType::Rtf : FileType::Text;
        newDocument(app());
        if (!c.rich)
            editor().setTextMode(TextMode::Plain);
    }
    editor().setFocus();
    type("Unsaved words here. ");
    ASSERT_TRUE(waitForCopyWith("Unsaved words here.")) << everything().join(' ').toStdString();
    ASSERT_EQ(copies().size(), 1);
    EXPECT_TRUE(copies().first().endsWith(c.rich ? ".rtf" : ".txt"));
    const QByteArray fileBefore = c.fileName ? readAll(path) : QByteArray();

    stop();  // no close sequence: as a crash leaves things

    start();
    TForm_RecoverDocuments* window = recoverWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Recover Documents");
    const auto* list = window->findChild<QListWidget*>("ListBox_Copies");
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().contains(c.fileName ? QString::fromLatin1(c.fileName) : QStringLiteral("Unnamed")))
        << list->item(0)->text().toStdString();

    click("Button_Open");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(editor().text().startsWith("Unsaved words here. ")) << editor().text().toStdString();
    EXPECT_EQ(editor().textMode(), c.rich ? TextMode::Rich : TextMode::Plain);
    EXPECT_EQ(app().document().fileName, path);
    EXPECT_EQ(app().document().state, DocState::Modified);
    if (c.fileName) {
        EXPECT_EQ(readAll(path), fileBefore) << "the file itself is untouched until saved";
    }
    // Still kept, now as this program's own copy, until the document is saved.
    EXPECT_EQ(copies().size(), 1);

    if (!c.fileName)
        fileDialogs.choose(scratchPath(c.rich ? "saved.rtf" : "saved.txt"), c.rich ? 1 : 2);
    app().runCommand(Command::File_Save);
    app().recovery().flush();
    EXPECT_EQ(app().document().state, DocState::Saved);
    EXPECT_TRUE(copies().isEmpty()) << "saved: the copy goes";
}

INSTANTIATE_TEST_SUITE_P(, RecoveryKinds,
                         ::testing::Values(KindCase{"NamedRich", "chapter.rtf", true},
                                           KindCase{"NamedPlain", "chapter.txt", false},
                                           KindCase{"UnnamedRich", nullptr, true},
                                           KindCase{"UnnamedPlain", nullptr, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Recovery, ACleanCloseLeavesNothingBehind)
{
    start();
    type("words to let go");
    ASSERT_TRUE(waitForCopyWith("words to let go"));
    messages.answer(Answer::No);
    EXPECT_TRUE(app().close());
    EXPECT_TRUE(everything().isEmpty()) << everything().join(' ').toStdString();
}

TEST_F(Recovery, KeepForLaterOffersItAgainAndDiscardAsksFirst)
{
    start();
    type("kept words");
    ASSERT_TRUE(waitForCopyWith("kept words"));
    stop();

    start();
    ASSERT_TRUE(recoverWindow() && recoverWindow()->isVisible());
    click("Button_Keep");
    EXPECT_FALSE(recoverWindow()->isVisible());
    EXPECT_EQ(copies().size(), 1);
    EXPECT_EQ(editor().text(), "");

    stop();
    start();
    ASSERT_TRUE(recoverWindow() && recoverWindow()->isVisible()) << "offered again";
    messages.answer(Answer::No);
    click("Button_Discard");
    EXPECT_EQ(copies().size(), 1) << "No keeps it";
    ASSERT_EQ(messages.boxes().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith("Discard the recovered copy")) << messages.texts().first().toStdString();
    messages.answer(Answer::Yes);
    click("Button_Discard");
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_FALSE(recoverWindow()->isVisible());

    stop();
    start();
    EXPECT_FALSE(recoverWindow() && recoverWindow()->isVisible());
}

// A running program's copies are its own: a second program does not offer them.
TEST_F(Recovery, TheCopiesOfARunningProgramAreNotOffered)
{
    start();
    type("still being written");
    ASSERT_TRUE(waitForCopyWith("still being written"));
    EXPECT_TRUE(RecoveryKeeper::leftBehind(recoveryFolder()).isEmpty());
}

TEST_F(Recovery, SwitchedOffNoCopyIsWritten)
{
    start();
    // The user unticks the box in Settings and confirms.
    TForm_Settings& settings = *app().windows().settings;
    settings.show();
    processEvents();
    QCheckBox* box = settings.findChild<QCheckBox*>("CheckBox_Recovery");
    ASSERT_TRUE(box && box->isChecked()) << "on by default";
    box->setChecked(false);
    QTest::mouseClick(settings.findChild<QPushButton*>("Button_OK"), Qt::LeftButton);
    processEvents();
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "Settings")->readInteger("Recovery_Enabled"), 0);
    EXPECT_FALSE(app().recovery().isEnabled());
    restart();
    EXPECT_FALSE(app().recovery().isEnabled()) << "read back at start";

    editor().setFocus();
    type("private words");
    QTest::qWait(200);
    processEvents();
    app().recovery().flush();
    EXPECT_TRUE(copies().isEmpty());
}

QByteArray rtfOf(const QTextDocument& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    RtfWriter().write(&buffer, &doc);
    return bytes;
}

// Typing goes on while the writer's thread is still busy with a copy: the
// copy on disk is the document as it was when taken, and the next copy
// replaces it whole.
TEST(RecoveryCopies, TypingWhileACopyIsWrittenReachesOnlyTheNextCopy)
{
    QTemporaryDir folder;
    RichEdit edit;
    ASSERT_TRUE(edit.loadRichText("{\\rtf1 {\\b Chapter one.}\\par The rain fell.\\par}"));
    const QByteArray first = rtfOf(*edit.document());
    bool typeAfterTaking = true;
    RecoveryKeeper keeper(folder.path(), 100000,
                          {[] { return true; },
                           [&] {
                               DocumentSnapshot snapshot = DocumentSnapshot::of(edit);
                               // The writer gets the copy only after this returns.
                               if (typeAfterTaking)
                                   QTextCursor(edit.document()).insertText(QStringLiteral("Typed meanwhile. "));
                               return snapshot;
                           },
                           [] { return QString(); }});
    keeper.documentChanged();
    keeper.writeNow();
    const QStringList copies = QDir(folder.path()).entryList({"*.rtf"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    const QString copy = QDir(folder.path()).filePath(copies.first());
    EXPECT_EQ(readAll(copy), first);
    EXPECT_TRUE(edit.text().startsWith("Typed meanwhile. ")) << edit.text().toStdString();

    typeAfterTaking = false;
    keeper.documentChanged();
    keeper.writeNow();
    EXPECT_EQ(readAll(copy), rtfOf(*edit.document()));
    EXPECT_TRUE(readAll(copy).contains("Typed meanwhile."));
    keeper.finish();
}

// Pauses come faster than the writer copies a long document: the snapshots
// taken meanwhile do not queue up behind it; the newest replaces the ones
// waiting, and the copy on disk ends as the document stands.
TEST(RecoveryCopies, SnapshotsTakenWhileTheWriterIsBusyLeaveOnlyTheNewestToWrite)
{
    QTemporaryDir folder;
    RichEdit edit;
    edit.setTextMode(TextMode::Rich);
    QString text;
    for (int i = 0; i < 50000; ++i)
        text += QStringLiteral("Paragraph %1 of a long chapter, kept against a crash.\n").arg(i);
    edit.setText(text);
    int taken = 0;
    // Copies within 10 ms of a change, a pause being a millisecond.
    RecoveryKeeper keeper(folder.path(), 10,
                          {[] { return true; },
                           [&] {
                               ++taken;
                               return DocumentSnapshot::of(edit);
                           },
                           [] { return QString(); }});
    QSignalSpy written(&keeper, &RecoveryKeeper::copyWritten);
    for (int i = 0; i < 8; ++i) {
        QTextCursor(edit.document()).insertText(QStringLiteral("Edit %1. ").arg(i));
        keeper.documentChanged();
        const int before = taken;
        QTRY_VERIFY_WITH_TIMEOUT(taken > before, 2000);
    }
    keeper.flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(taken, 8);
    EXPECT_GE(written.count(), 1);
    EXPECT_LT(written.count(), taken) << "each snapshot was written, however busy the writer";
    const QStringList copies = QDir(folder.path()).entryList({"*.rtf"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readAll(QDir(folder.path()).filePath(copies.first())), rtfOf(*edit.document()));
    keeper.finish();
}

}  // namespace
