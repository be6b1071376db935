// The program killed with SIGKILL while the user types, as a crash or a power
// cut ends it: the copy it kept is a whole, readable document holding all the
// text older than the copy delay, and the next start offers it. The real
// program in processes of its own, typed into through the X server.
#include "desktop/DesktopFixture.h"

#include "app/document/Recovery.h"
#include "editor/RichEdit.h"
#include "store/Registry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <random>

#include <csignal>

using namespace qp;
using namespace qp::test;

namespace {

constexpr int kDelayMs = 300;
// Time for the copy to reach the disk after its delay on a busy machine.
constexpr int kSlackMs = 1200;

struct KillCase {
    const char* name;
    const char* fileName;  // null: an unnamed document
    int defaultFileType;   // 0 rich, 1 text, for a new document
    unsigned seed;         // chooses the moment of the kill
};

void PrintTo(const KillCase& c, std::ostream* out)
{
    *out << c.name;
}

class ProgramOnDesktop : public DesktopFixture {
protected:
    QTemporaryDir home;

    QString folder(const char* name) const { return home.filePath(QLatin1String(name)); }
    QString recovery() const { return folder("state") + "/Quillpress/recovery"; }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", folder("config"));
        env.insert("XDG_DATA_HOME", folder("data"));
        env.insert("XDG_STATE_HOME", folder("state"));
        env.insert("QUILLPRESS_RECOVERY_DELAY_MS", QString::number(m_delayMs));
        env.insert("QT_QPA_PLATFORM", "xcb");
        return env;
    }

    // The program's main window id once it is mapped, as the X server knows it.
    QString waitForWindow(qint64 pid, const QString& title)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000) {
            QProcess search;
            search.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid), "--name", title});
            search.waitForFinished(5000);
            const QString id = QString::fromLatin1(search.readAllStandardOutput()).split('\n').value(0).trimmed();
            if (!id.isEmpty())
                return id;
            QTest::qWait(100);
        }
        return {};
    }

    void startProgram(QProcess& program, const QStringList& arguments)
    {
        program.setProcessEnvironment(environment());
        program.start(QStringLiteral(QP_BIN_DIR "/quillpress"), arguments);
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    void writeSettings(int defaultFileType)
    {
        Registry store(folder("config") + "/Quillpress");
        RegKey::openSettingsWrite(store, "Miscellaneous").writeString("Version", "2.03");
        RegKey settings = RegKey::openSettingsWrite(store, "Settings");
        settings.writeInteger("Default_FileType", defaultFileType);
        settings.writeInteger("Default_LinesPerPage", 58);
        for (const char* flag : {"Default_FileName", "Default_RTF", "Default_TXT", "Default_Context", "Default_DialogPosition"})
            settings.writeFlag(flag, false);
    }

    int m_delayMs = kDelayMs;

    // What a copy shows when the program opens it.
    static QString textOf(const RecoveryCopy& copy)
    {
        QFile file(copy.copyPath);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<unreadable>");
        const QByteArray bytes = file.readAll();
        if (copy.rich && !(bytes.startsWith("{\\rtf1") && bytes.trimmed().endsWith("}")))
            return QStringLiteral("<not a whole RTF document>");
        RichEdit editor;
        editor.setTextMode(copy.rich ? TextMode::Rich : TextMode::Plain);
        if (copy.rich && !editor.loadRichText(bytes))
            return QStringLiteral("<not readable RTF>");
        if (!copy.rich)
            editor.loadBytes(bytes);
        return editor.text();
    }
};

class KillWhileTyping : public ProgramOnDesktop, public ::testing::WithParamInterface<KillCase> {};

TEST_P(KillWhileTyping, TheCopyHoldsEverythingOlderThanTheDelayAndIsOffered)
{
    const KillCase& c = GetParam();
    writeSettings(c.defaultFileType);
    QStringList arguments;
    QString title = QStringLiteral("Quillpress");
    if (c.fileName) {
        const QString path = home.filePath(QLatin1String(c.fileName));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(c.fileName).endsWith(".rtf") ? "{\\rtf1 Start.}" : "Start.\n");
        file.close();
        arguments << path;
        title = QLatin1String(c.fileName) + QStringLiteral(" - Quillpress");
    }

    QProcess program;
    startProgram(program, arguments);
    const QString window = waitForWindow(program.processId(), title);
    ASSERT_FALSE(window.isEmpty()) << "the window did not appear";
    runX("xdotool", {"windowactivate", window});
    QTest::qWait(300);

    // Words typed one after another until the kill, at a moment of the case's own.
    std::mt19937 random(c.seed);
    const int killAt = 300 + int(random() % 3200);
    QElapsedTimer clock;
    clock.start();
    QStringList words;
    QList<qint64> typedAt;
    for (int n = 1; clock.elapsed() < killAt; ++n) {
        const QString word = QStringLiteral("w%1 ").arg(n, 3, 10, QLatin1Char('0'));
        runX("xdotool", {"type", "--delay", "10", word});
        words << word;
        typedAt << clock.elapsed();
    }
    program.kill();  // SIGKILL: nothing runs on the way out
    program.waitForFinished(5000);
    const qint64 killedAt = clock.elapsed();

    const QList<RecoveryCopy> copies = RecoveryKeeper::leftBehind(recovery());
    const bool anyOldEnough = !typedAt.isEmpty() && killedAt - typedAt.first() > kDelayMs + kSlackMs;
    if (!anyOldEnough && copies.isEmpty())
        return;  // killed before any copy was due: nothing was promised
    ASSERT_EQ(copies.size(), 1) << "typed " << words.join("").toStdString();
    const RecoveryCopy& copy = copies.first();
    EXPECT_EQ(copy.originalName, c.fileName ? home.filePath(QLatin1String(c.fileName)) : QString());
    const QString text = textOf(copy);
    // Whole words in typing order, then the document's own text.
    int kept = 0;
    while (kept < words.size() && text.startsWith(words.mid(0, kept + 1).join(QString())))
        ++kept;
    for (int i = 0; i < words.size(); ++i) {
        if (killedAt - typedAt[i] > kDelayMs + kSlackMs) {
            EXPECT_LT(i, kept) << "word " << i << " was typed " << killedAt - typedAt[i] << " ms before the kill; copy: "
                               << text.left(200).toStdString();
        }
    }
    if (c.fileName) {
        EXPECT_TRUE(text.trimmed().endsWith(QStringLiteral("Start."))) << text.toStdString();
    }

    // The next start offers it.
    QProcess again;
    startProgram(again, {});
    const QString offer = waitForWindow(again.processId(), QStringLiteral("Recover Documents"));
    EXPECT_FALSE(offer.isEmpty()) << "no Recover Documents window";
    again.kill();
    again.waitForFinished(5000);
    EXPECT_EQ(RecoveryKeeper::leftBehind(recovery()).size(), 1) << "offering deletes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    , KillWhileTyping,
    ::testing::Values(KillCase{"NamedRich1", "chapter.rtf", 0, 1}, KillCase{"NamedRich2", "chapter.rtf", 0, 2},
                      KillCase{"NamedRich3", "chapter.rtf", 0, 3}, KillCase{"NamedRich4", "chapter.rtf", 0, 4},
                      KillCase{"NamedRich5", "chapter.rtf", 0, 5}, KillCase{"NamedPlain1", "chapter.txt", 1, 6},
                      KillCase{"NamedPlain2", "chapter.txt", 1, 7}, KillCase{"NamedPlain3", "chapter.txt", 1, 8},
                      KillCase{"NamedPlain4", "chapter.txt", 1, 9}, KillCase{"NamedPlain5", "chapter.txt", 1, 10},
                      KillCase{"UnnamedRich1", nullptr, 0, 11}, KillCase{"UnnamedRich2", nullptr, 0, 12},
                      KillCase{"UnnamedRich3", nullptr, 0, 13}, KillCase{"UnnamedRich4", nullptr, 0, 14},
                      KillCase{"UnnamedRich5", nullptr, 0, 15}, KillCase{"UnnamedPlain1", nullptr, 1, 16},
                      KillCase{"UnnamedPlain2", nullptr, 1, 17}, KillCase{"UnnamedPlain3", nullptr, 1, 18},
                      KillCase{"UnnamedPlain4", nullptr, 1, 19}, KillCase{"UnnamedPlain5", nullptr, 1, 20}),
    [](const auto& info) { return std::string(info.param.name); });

// Logout, shutdown or a plain `kill`: SIGTERM writes the copy at once, long
// before its delay, and the program ends by itself without asking.
TEST_F(ProgramOnDesktop, TerminationWritesTheCopyAndEnds)
{
    m_delayMs = 600000;
    writeSettings(0);
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QProcess program;
        startProgram(program, {});
        const QString window = waitForWindow(program.processId(), QStringLiteral("Quillpress"));
        ASSERT_FALSE(window.isEmpty());
        runX("xdotool", {"windowactivate", window});
        QTest::qWait(300);
        runX("xdotool", {"type", "--delay", "10", "last words before logout"});
        QTest::qWait(200);
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10000)) << "the program did not end";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);

        const QList<RecoveryCopy> copies = RecoveryKeeper::leftBehind(recovery());
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(textOf(copies.first()), "last words before logout");
        RecoveryKeeper::discard(copies.first());
    }
}

}  // namespace
