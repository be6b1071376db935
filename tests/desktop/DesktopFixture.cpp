#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "desktop/XSession.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QThread>

namespace qp::test {

namespace {

quint64 parseWindowId(const QString& text)
{
    bool ok = false;
    const quint64 id = text.trimmed().toULongLong(&ok, 0);
    return ok ? id : 0;
}

}  // namespace

void DesktopFixture::SetUp()
{
    switch (XSession::state()) {
    case XSession::State::Ready:
        break;
    case XSession::State::Unavailable:
        GTEST_SKIP() << "no X server for the desktop tests: " << XSession::problem().toStdString();
    default:
        FAIL() << "the desktop test session is broken: " << XSession::problem().toStdString();
    }
    // Full screen and the first placement use the real screen.
    screen.geometry = QGuiApplication::primaryScreen()->geometry();
    setLayout(QStringLiteral("us"));
}

TApp& DesktopFixture::startOnDesktop(const QStringList& arguments)
{
    TApp& started = start(arguments);
    waitUntilPlaced(started);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&started)) << "the window manager gives a new window the focus";
    return started;
}

TApp& DesktopFixture::restartOnDesktop()
{
    TApp& started = restart();
    waitUntilPlaced(started);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&started));
    return started;
}

bool DesktopFixture::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void DesktopFixture::waitUntilPlaced(QWidget& window)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << window.objectName().toStdString();
    if (!(window.windowFlags() & Qt::FramelessWindowHint)) {
        EXPECT_TRUE(waitFor([&] { return window.frameGeometry() != window.geometry(); }))
            << "the window manager frames " << window.objectName().toStdString();
    }
    // Placed once neither Qt's idea of the frame nor the server's has changed for a while.
    QRect last;
    int steady = 0;
    waitFor([&] {
        const QRect now = frameOnScreen(window);
        steady = now == last && now == window.frameGeometry() ? steady + 1 : 0;
        last = now;
        return steady >= 3;
    });
}

QString DesktopFixture::runX(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        process.kill();
        process.waitForFinished();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString() << " failed: "
                      << process.readAllStandardError().toStdString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void DesktopFixture::keys(const QString& names)
{
    runX(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40"), names});
    processEvents();
}

void DesktopFixture::clickAt(const QPoint& globalPosition)
{
    runX(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(globalPosition.x()),
                                     QString::number(globalPosition.y()), QStringLiteral("click"), QStringLiteral("1")});
    processEvents();
}

void DesktopFixture::setLayout(const QString& layout)
{
    runX(QStringLiteral("setxkbmap"), {layout});
    // Qt reads the new keymap when the server's notice arrives.
    QTest::qWait(200);
}

QRect DesktopFixture::frameOnScreen(const QWidget& window)
{
    const QString id = QString::number(window.winId());
    const QString info = runX(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    auto field = [&](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        return re.match(info).captured(1).toInt();
    };
    QRect inside(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"));
    const QString extents = runX(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)")).match(extents);
    if (m.hasMatch())
        inside.adjust(-m.captured(1).toInt(), -m.captured(3).toInt(), m.captured(2).toInt(), m.captured(4).toInt());
    return inside;
}

QList<quint64> DesktopFixture::stackingOrder()
{
    const QString text = runX(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<quint64> ids;
    const int hash = text.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return ids;
    for (const QString& part : text.mid(hash + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << parseWindowId(part);
    return ids;
}

quint64 DesktopFixture::transientFor(const QWidget& window)
{
    const QString text = runX(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()),
                                                        QStringLiteral("WM_TRANSIENT_FOR")});
    const int hash = text.indexOf(QLatin1Char('#'));
    return hash < 0 ? 0 : parseWindowId(text.mid(hash + 1));
}

void DesktopFixture::screenshot(const QString& name)
{
    const QString folder = qEnvironmentVariable("QP_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    // What was just shown has to be painted first.
    QTest::qWait(150);
    QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

}  // namespace qp::test
