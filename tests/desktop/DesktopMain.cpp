// The desktop tests run on a private X server with a window manager, whatever
// QT_QPA_PLATFORM the environment names: the offscreen platform has no frames,
// no menu-bar focus and no keyboard layouts.
#include "desktop/XSession.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (ctest's discovery) needs no server.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    using qp::test::XSession;
    if (XSession::start() == XSession::State::Ready) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        // The tests report the problem themselves (skip or fail); Qt still needs a platform.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Qt wants a private runtime folder; the test's own keeps its warnings out of the log.
    QByteArray runtime = QFile::encodeName(QDir::tempPath() + QStringLiteral("/quillpress-rt-XXXXXX"));
    if (::mkdtemp(runtime.data()))
        qputenv("XDG_RUNTIME_DIR", runtime);
    QStandardPaths::setTestModeEnabled(true);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    XSession::stop();
    QDir(QFile::decodeName(runtime)).removeRecursively();
    return result;
}
