// Long work behind a progress box: when the box shows, what it shows, how
// Cancel reaches the work, and what comes back to the caller.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/LongWork.h"
#include "platform/Errors.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

using namespace qp;
using namespace qp::test;
using namespace std::chrono_literals;

namespace {

class LongWorkTest : public AppFixture {
protected:
    void SetUp() override { start(); }
    QProgressDialog* box() const { return app().findChild<QProgressDialog*>(); }
    bool boxShown() const { return box() && box()->isVisible(); }
};

// Work of well under half a second opens no box at all.
TEST_F(LongWorkTest, ShortWorkShowsNoBox)
{
    LongWork work(&app(), QStringLiteral("Opening \"short.txt\"..."));
    bool seen = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] { seen = seen || box(); });
    watcher.start(5);
    EXPECT_EQ(work.run([](LongWork::Progress&) { std::this_thread::sleep_for(100ms); }), LongWork::Outcome::Done);
    EXPECT_FALSE(seen);
    EXPECT_FALSE(LongWork::busy());
}

// Past half a second the modal box shows the label and the work's percentage,
// while the GUI thread goes on; it goes when the work ends.
TEST_F(LongWorkTest, TheBoxShowsAfterHalfASecondWithTheProgress)
{
    const QString label = QStringLiteral("Opening \"novel.doc\"...");
    LongWork work(&app(), label);
    QElapsedTimer clock;
    qint64 shownAfter = -1;
    int highest = -1;
    QString shownLabel;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
        if (!boxShown())
            return;
        if (shownAfter < 0) {
            shownAfter = clock.elapsed();
            shownLabel = box()->labelText();
        }
        highest = std::max(highest, box()->value());
    });
    watcher.start(10);
    clock.start();
    const LongWork::Outcome outcome = work.run([](LongWork::Progress& progress) {
        for (int percent = 0; percent <= 100; percent += 5) {
            progress.setPercent(percent);
            std::this_thread::sleep_for(60ms);
        }
    });

    EXPECT_EQ(outcome, LongWork::Outcome::Done);
    EXPECT_GE(shownAfter, 450);
    EXPECT_EQ(shownLabel, label);
    EXPECT_GE(highest, 50);
    EXPECT_FALSE(boxShown());
}

// What the work throws is thrown again on the calling thread; the work ran on another.
TEST_F(LongWorkTest, AnErrorComesBackToTheCaller)
{
    LongWork work(&app(), QStringLiteral("Opening..."));
    QThread* ranOn = nullptr;
    try {
        work.run([&](LongWork::Progress&) {
            ranOn = QThread::currentThread();
            throw AppError(QStringLiteral("Cannot read file \"x\"."));
        });
        FAIL() << "nothing thrown";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), "Cannot read file \"x\".");
    }
    EXPECT_NE(ranOn, nullptr);
    EXPECT_NE(ranOn, QThread::currentThread());
    EXPECT_FALSE(LongWork::busy());
}

// Esc asks the work to stop once, however often it is pressed, and the
// caller hears of it only after the work has ended.
TEST_F(LongWorkTest, CancelReachesTheWorkOnceAndIsWaitedFor)
{
    LongWork work(&app(), QStringLiteral("Opening..."));
    int cancels = 0;
    work.setCanceller([&] { ++cancels; });
    bool ended = false;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, &presser, [&] {
        if (boxShown())
            QTest::keyClick(box(), Qt::Key_Escape);
        else if (LongWork::busy())
            QTest::keyClick(&editor(), Qt::Key_Escape);
    });
    presser.start(100);
    QElapsedTimer clock;
    clock.start();
    const LongWork::Outcome outcome = work.run([&](LongWork::Progress& progress) {
        while (!progress.cancelled() && clock.elapsed() < 10000)
            std::this_thread::sleep_for(10ms);
        // Work that takes a while to stop is still waited for.
        std::this_thread::sleep_for(300ms);
        ended = true;
    });

    EXPECT_EQ(outcome, LongWork::Outcome::Cancelled);
    EXPECT_TRUE(ended);
    EXPECT_EQ(cancels, 1);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(app().isVisible()) << "Esc stops the work, not the program";
}

}  // namespace
