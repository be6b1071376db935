// Changes made to the document's file by other programs (or a second copy of
// this one), found when the window comes back to the front and before every
// save: the user is asked, and no save writes over such a change unasked.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Recovery.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QFile>
#include <QSaveFile>
#include <QThread>

#include <functional>

using namespace qp;
using namespace qp::test;

namespace {

const QByteArray Original = "first version\n";
const QByteArray Outside = "the other program's words\n";

void writeInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A new file renamed over the old one, as editors (this one included) save.
void replaceAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    ASSERT_TRUE(file.commit());
}

enum class Seen { Nothing, Question, Notice };

struct OutsideCase {
    const char* name;
    std::function<void(const QString& path)> change;
    Seen seen;
};

void PrintTo(const OutsideCase& c, std::ostream* out)
{
    *out << c.name;
}

const OutsideCase Cases[] = {
    {"Changed", [](const QString& p) { writeInPlace(p, Outside); }, Seen::Question},
    {"Deleted", [](const QString& p) { QFile::remove(p); }, Seen::Notice},
    {"ChangedBackToTheSameBytes",
     [](const QString& p) {
         writeInPlace(p, Outside);
         QThread::msleep(5);
         writeInPlace(p, Original);
     },
     Seen::Nothing},
    {"ReplacedByANewFile", [](const QString& p) { replaceAtomically(p, Outside); }, Seen::Question},
    {"ReplacedByAnIdenticalFile", [](const QString& p) { replaceAtomically(p, Original); }, Seen::Nothing},
    {"PermissionLost", [](const QString& p) { QFile::setPermissions(p, QFileDevice::Permissions()); }, Seen::Nothing},
    {"SavedByASecondInstance",
     [](const QString& p) {
         // What another running copy of the program writes: its own save, atomic.
         replaceAtomically(p, "{\\rtf1 saved in the other window}");
     },
     Seen::Question},
};

class OutsideChange : public AppFixture, public ::testing::WithParamInterface<OutsideCase> {
protected:
    void SetUp() override
    {
        start();
        m_path = writeFile("chapter.txt", Original);
        loadNamedFile(app(), m_path);
        editor().setFocus();
        type("my edit ");
        messages.clear();
    }
    // The user goes to another window and comes back.
    void comeBack()
    {
        QWidget* other = showDialogWithField();
        other->window()->hide();
        QApplication::setActiveWindow(&app());
        processEvents();
        processEvents();
    }
    DocumentState& doc() { return app().document(); }
    QString m_path;
};

TEST_P(OutsideChange, ComingBackToTheWindow)
{
    const OutsideCase& c = GetParam();
    c.change(m_path);
    const QByteArray onDisk = QFile::exists(m_path) ? readAll(m_path) : QByteArray();
    if (c.seen == Seen::Question)
        messages.answer(Answer::No);  // keep the edited text
    comeBack();

    ASSERT_EQ(messages.boxes().size(), c.seen == Seen::Nothing ? 0 : 1) << qPrintable(messages.texts().join('|'));
    if (c.seen != Seen::Nothing) {
        EXPECT_EQ(messages.boxes().first().kind,
                  c.seen == Seen::Question ? FakeMessageService::Kind::Confirm : FakeMessageService::Kind::Information);
        EXPECT_TRUE(messages.texts().first().contains("chapter.txt"));
    }
    EXPECT_EQ(editor().text(), "my edit first version\r\n") << "the text is kept";
    EXPECT_EQ(doc().state, DocState::Modified);

    // Coming back again asks nothing more.
    messages.clear();
    comeBack();
    EXPECT_TRUE(messages.boxes().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(QFile::exists(m_path) ? readAll(m_path) : QByteArray(), onDisk) << "nothing written meanwhile";

    // The user has been told: Save writes the text (and recreates a deleted file).
    app().runCommand(Command::File_Save);
    EXPECT_TRUE(messages.boxes().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(readAll(m_path), "my edit first version\n");
    EXPECT_EQ(doc().state, DocState::Saved);
}

// Save without coming back to the window first: an outside change is asked about.
TEST_P(OutsideChange, SavingOverIt)
{
    const OutsideCase& c = GetParam();
    c.change(m_path);
    const QByteArray onDisk = QFile::exists(m_path) ? readAll(m_path) : QByteArray();
    if (c.seen == Seen::Question)
        messages.answer(Answer::No);
    app().runCommand(Command::File_Save);

    if (c.seen == Seen::Question) {
        ASSERT_EQ(messages.boxes().size(), 1);
        EXPECT_TRUE(messages.texts().first().contains("changed by another program"));
        EXPECT_EQ(readAll(m_path), onDisk) << "No leaves the other program's version";
        EXPECT_EQ(doc().state, DocState::Modified);
        messages.answer(Answer::Yes);
        app().runCommand(Command::File_Save);
        EXPECT_EQ(messages.pendingAnswers(), 0);
    } else {
        EXPECT_TRUE(messages.boxes().isEmpty()) << qPrintable(messages.texts().join('|'));
    }
    EXPECT_EQ(readAll(m_path), "my edit first version\n");
    EXPECT_EQ(doc().state, DocState::Saved);
}

INSTANTIATE_TEST_SUITE_P(, OutsideChange, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

class OutsideChangeReload : public AppFixture {};

// Yes reloads the file as the other program left it.
TEST_F(OutsideChangeReload, YesShowsTheFileAsItIsNow)
{
    start();
    const QString path = writeFile("chapter.txt", Original);
    loadNamedFile(app(), path);
    writeInPlace(path, Outside);
    messages.answer(Answer::Yes);
    QWidget* other = showDialogWithField();
    other->window()->hide();
    QApplication::setActiveWindow(&app());
    processEvents();
    processEvents();

    ASSERT_EQ(messages.boxes().size(), 1);
    EXPECT_FALSE(messages.texts().first().contains("your changes are lost")) << "there were none";
    EXPECT_EQ(editor().text(), "the other program's words\r\n");
    EXPECT_EQ(app().document().state, DocState::Saved);
}

// The same file open in another running copy of the program: the user hears
// so and chooses read-only, editing all the same, or nothing.
struct TwiceCase {
    const char* name;
    Answer answer;
    bool otherStillRunning;
    bool asked;
    bool opened;
    bool readOnly;
};

void PrintTo(const TwiceCase& c, std::ostream* out)
{
    *out << c.name;
}

class OpenTwice : public AppFixture, public ::testing::WithParamInterface<TwiceCase> {};

TEST_P(OpenTwice, ASecondWindowOnTheSameFile)
{
    const TwiceCase& c = GetParam();
    start();
    const QString path = writeFile("chapter.txt", Original);
    // The other copy of the program: its own keeper, holding its own lock.
    auto other = std::make_unique<RecoveryKeeper>(recoveryFolder(), 60000, RecoveryKeeper::Source{});
    other->setOpenFile(scratchPath("./chapter.txt"));
    if (!c.otherStillRunning)
        other.reset();  // ended, however: its lock is free
    if (c.asked)
        messages.answer(c.answer);
    fileDialogs.choose(path);
    app().runCommand(Command::File_Open);

    EXPECT_EQ(messages.boxes().size(), c.asked ? 1 : 0);
    if (c.asked) {
        EXPECT_TRUE(messages.texts().first().contains("already open in another Quillpress window"));
    }
    EXPECT_EQ(app().document().fileName, c.opened ? path : QString());
    EXPECT_EQ(editor().text(), c.opened ? "first version\r\n" : "");
    EXPECT_EQ(editor().isReadOnly(), c.readOnly);
    if (!c.opened || c.readOnly)
        return;

    // Both edit; the other saves first; this save asks before writing over it.
    editor().setFocus();
    type("mine ");
    replaceAtomically(path, "the other window's words\n");
    messages.answer(Answer::No);
    app().runCommand(Command::File_Save);
    EXPECT_EQ(readAll(path), "the other window's words\n");
    EXPECT_EQ(app().document().state, DocState::Modified);
}

INSTANTIATE_TEST_SUITE_P(, OpenTwice,
                         ::testing::Values(TwiceCase{"ReadOnly", Answer::Yes, true, true, true, true},
                                           TwiceCase{"OpenAnyway", Answer::No, true, true, true, false},
                                           TwiceCase{"Cancelled", Answer::Cancel, true, true, false, false},
                                           TwiceCase{"TheOtherHasEnded", Answer::Yes, false, false, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
