// Stored window bounds made usable on the screens there are.
#include "platform/WindowManagement.h"

#include <gtest/gtest.h>

#include <climits>

using namespace qp;

namespace {

const QRect kPrimary(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 1280, 1024);
const QSize kFallback(640, 480);

struct BoundsCase {
    const char* name;
    qint64 left, top, width, height;
    QList<QRect> screens;
    QRect expected;
};

class UsableWindowBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(UsableWindowBounds, KeepWhatIsUsableAndMendTheRest)
{
    const BoundsCase& c = GetParam();
    EXPECT_EQ(usableWindowBounds(c.left, c.top, c.width, c.height, c.screens, kFallback), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsableWindowBounds,
    ::testing::Values(
        BoundsCase{"OnScreenStaysAsItIs", 50, 60, 700, 500, {kPrimary}, QRect(50, 60, 700, 500)},
        BoundsCase{"PartlyOffToTheLeftWithTheTitleBarInReach", -500, 10, 700, 500, {kPrimary}, QRect(-500, 10, 700, 500)},
        BoundsCase{"ZeroWidthTakesTheFirstStartSize", 50, 60, 0, 500, {kPrimary}, QRect(50, 60, 640, 480)},
        BoundsCase{"AllBitsSetReadsAsMinusOne", 50, 60, -1, -1, {kPrimary}, QRect(50, 60, 640, 480)},
        BoundsCase{"TheLowestNumberAFileCanHold", INT_MIN, INT_MIN, INT_MIN, 500, {kPrimary}, QRect(640, 300, 640, 480)},
        BoundsCase{"FarBelowTheScreenIsCentred", 50, INT_MAX, 700, 500, {kPrimary}, QRect(610, 290, 700, 500)},
        BoundsCase{"AboveTheScreenIsCentred", 50, -400, 700, 500, {kPrimary}, QRect(610, 290, 700, 500)},
        BoundsCase{"TheTitleBarOnTheBottomEdgeIsCentred", 50, 1070, 700, 500, {kPrimary}, QRect(610, 290, 700, 500)},
        BoundsCase{"LargerThanTheScreenShrinksToIt", 0, 0, 3840, 2160, {kPrimary}, QRect(0, 0, 1920, 1080)},
        BoundsCase{"OnASecondScreenStaysThere", 2000, 100, 800, 600, {kPrimary, kRight}, QRect(2000, 100, 800, 600)},
        BoundsCase{"LargerThanTheSecondScreenShrinksToThatScreen", 1920, 0, 1900, 1060, {kPrimary, kRight},
                   QRect(1920, 0, 1280, 1024)},
        BoundsCase{"TheSecondScreenUnpluggedComesBackOnThePrimary", 2000, 100, 800, 600, {kPrimary},
                   QRect(560, 240, 800, 600)},
        BoundsCase{"NoScreenKnownUsesAUsualOne", 5000, 5000, 800, 600, {}, QRect(112, 84, 800, 600)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
