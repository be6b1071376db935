// Opening a slow Word file on a real desktop: the progress box stands framed
// in front of the window with its texts whole, and the keys a user presses
// through the X server stop the conversion.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "app/document/LongWork.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "support/ScopedEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace qp;
using namespace qp::test;

namespace {

// Processes this one started that are still there (the X session's among them).
int childProcessCount()
{
    int count = 0;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isProcess = false;
        entry.toInt(&isProcess);
        if (!isProcess)
            continue;
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        count += fields.size() > 1 && fields[1] == self ? 1 : 0;
    }
    return count;
}

class OpeningOnDesktop : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(QFile::copy(QStringLiteral(QP_FAKE_CONVERTER_DIR "/Slow.fake"),
                                QDir(m_converters.path()).filePath(QStringLiteral("MSWRD832.CNV"))));
        useConverterFolder(m_converters.path());
        startOnDesktop();
        loadNamedFile(app(), m_before);
        m_sessionProcesses = childProcessCount();
    }
    QProgressDialog* box() const { return app().findChild<QProgressDialog*>(); }

    QTemporaryDir m_converters;
    int m_sessionProcesses = 0;
    const ScopedEnv m_sleep{"QP_FAKE_SLEEP", "30"};
    const QString m_before = writeFile(QStringLiteral("before.txt"), "the document before");
};

struct KeyCase {
    const char* name;
    const char* keys;  // none: the main window's close button is clicked
    bool closes;
};

void PrintTo(const KeyCase& c, std::ostream* out)
{
    *out << c.name;
}

class StopByKey : public OpeningOnDesktop, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(StopByKey, TheBoxIsInFrontAndTheKeyStopsTheTool)
{
    const KeyCase& c = GetParam();
    const QString path = writeFile(QStringLiteral("A chapter with a rather long name.doc"),
                                   readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc")));
    bool checked = false;
    QTimer script;
    script.setSingleShot(true);
    QObject::connect(&script, &QTimer::timeout, &script, [&] {
        checked = true;
        EXPECT_TRUE(waitFor([&] { return box() && box()->isVisible(); })) << "the box shows";
        if (!box())
            return;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(box()));
        EXPECT_TRUE(waitFor([&] { return box()->isActiveWindow(); })) << "the box has the keyboard";
        EXPECT_GT(childProcessCount(), m_sessionProcesses) << "the tool runs";
        const QRect frame = frameOnScreen(*box());
        EXPECT_TRUE(frameOnScreen(app()).intersects(frame));
        // Its label is whole: not narrower than the text wants.
        const auto* label = box()->findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        EXPECT_GE(label->width(), label->sizeHint().width()) << qPrintable(label->text());
        EXPECT_EQ(box()->findChild<QPushButton*>()->text(), "Cancel");
        screenshot(QStringLiteral("opening-progress"));
        if (c.keys) {
            keys(QLatin1String(c.keys));
            return;
        }
        // The close button at the right end of the window's title bar.
        const QRect window = frameOnScreen(app());
        const QRect inside = app().geometry();
        clickAt(QPoint(window.right() - (inside.top() - window.top()) / 2, window.top() + (inside.top() - window.top()) / 2));
    });
    script.start(100);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(app().guarded([&] { loadNamedFile(app(), path); }));
    const qint64 took = clock.elapsed();
    waitFor([&] { return app().isVisible() != c.closes; }, 2000);

    EXPECT_TRUE(checked);
    EXPECT_LT(took, 10000);
    EXPECT_EQ(childProcessCount(), m_sessionProcesses) << "no tool is left";
    EXPECT_EQ(editor().text(), "the document before");
    EXPECT_EQ(app().document().fileName, m_before);
    EXPECT_EQ(app().isVisible(), !c.closes);
}

INSTANTIATE_TEST_SUITE_P(, StopByKey,
                         ::testing::Values(KeyCase{"Escape", "Escape", false}, KeyCase{"CtrlQ", "ctrl+q", true},
                                           KeyCase{"CloseButton", nullptr, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
