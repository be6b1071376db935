// The list rules shared by Recent Files and My Files: the add rule, the
// file-name part and the stored form.
#include "files/Tools_FileLists.h"

#include "store/Registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qp;

namespace {

FileSlots numbered()
{
    FileSlots slots;
    for (int i = 0; i < FileListSlotCount; ++i)
        slots[i] = QStringLiteral("/docs/f%1.txt").arg(i + 1);
    return slots;
}

struct AddCase {
    const char* name;
    QString added;
    // Slot contents afterwards by the number of the file that was there ("new" for the added one).
    std::array<const char*, FileListSlotCount> expected;
};

void PrintTo(const AddCase& c, std::ostream* os)
{
    *os << c.name;
}

class RecentAddRule : public ::testing::TestWithParam<AddCase> {};

TEST_P(RecentAddRule, MovesOrPushes)
{
    FileSlots slots = numbered();
    addToRecentSlots(slots, GetParam().added);
    for (int i = 0; i < FileListSlotCount; ++i) {
        const QString want = QString::fromLatin1(GetParam().expected[i]) == QLatin1String("new")
                                 ? GetParam().added
                                 : QStringLiteral("/docs/f%1.txt").arg(QString::fromLatin1(GetParam().expected[i]));
        EXPECT_EQ(slots[i], want) << "slot " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    , RecentAddRule,
    ::testing::Values(
        // A thirteenth file drops the file of slot 12.
        AddCase{"NewFileDropsTheLast", QStringLiteral("/docs/other.txt"),
                {"new", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}},
        AddCase{"SlotFiveMovesToTheTop", QStringLiteral("/docs/f5.txt"),
                {"5", "1", "2", "3", "4", "6", "7", "8", "9", "10", "11", "12"}},
        AddCase{"TheTopStaysPut", QStringLiteral("/docs/f1.txt"),
                {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}},
        AddCase{"TheLastMovesToTheTop", QStringLiteral("/docs/f12.txt"),
                {"12", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}},
        // The compare is exact: another letter case is another file.
        AddCase{"CaseDiffersTakesANewSlot", QStringLiteral("/docs/F5.txt"),
                {"new", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecentPlaceholders, MoveDownAndFallOff)
{
    FileSlots slots = placeholderSlots();
    addToRecentSlots(slots, QStringLiteral("/a.txt"));
    EXPECT_EQ(slots[0], "/a.txt");
    EXPECT_EQ(slots[1], " ");
    EXPECT_EQ(slots[11], " ");
    // A space is a used slot like any other, so it is matched and moved, not duplicated.
    addToRecentSlots(slots, QStringLiteral(" "));
    EXPECT_EQ(slots[0], " ");
    EXPECT_EQ(slots[1], "/a.txt");
    EXPECT_TRUE(slotUsed(QStringLiteral(" ")));
    EXPECT_FALSE(slotUsed(QString()));
}

TEST(FileNamePart, SplitsOnlyAtTheSlash)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/home/ann/novel.rtf"), QStringLiteral("novel.rtf")},
        {QStringLiteral("/home/ann/Chapter 1: Intro.txt"), QStringLiteral("Chapter 1: Intro.txt")},
        {QStringLiteral("/home/ann/back\\slash.txt"), QStringLiteral("back\\slash.txt")},
        {QStringLiteral("plain.txt"), QStringLiteral("plain.txt")},
        {QStringLiteral("/folder/"), QString()},
    };
    for (const auto& [path, part] : cases)
        EXPECT_EQ(fileNamePart(path), part) << path.toStdString();
}

TEST(FileListStore, StoresAllTwelveAndReadsThemBack)
{
    QTemporaryDir dir;
    Registry registry(dir.path());
    const FileListStore store{QStringLiteral("RecentFiles"), QStringLiteral("Recent")};
    FileSlots slots = placeholderSlots();
    slots[0] = QStringLiteral("/x/a.rtf");
    slots[4].clear();
    storeSlots(registry, store, slots);

    const auto key = RegKey::openSettingsRead(registry, QStringLiteral("RecentFiles"));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString(QStringLiteral("Recent01")), "/x/a.rtf");
    EXPECT_EQ(key->readString(QStringLiteral("Recent05")), "");
    EXPECT_EQ(key->readString(QStringLiteral("Recent12")), " ");

    FileSlots read;
    read.fill(QStringLiteral("stale"));
    readSlots(registry, store, read);
    EXPECT_EQ(read, slots);
}

TEST(FileListStore, MissingKeyKeepsTheSlotsAndMissingValuesReadEmpty)
{
    QTemporaryDir dir;
    Registry registry(dir.path());
    const FileListStore store{QStringLiteral("MyFiles"), QStringLiteral("My")};
    FileSlots slots = placeholderSlots();
    readSlots(registry, store, slots);
    EXPECT_EQ(slots, placeholderSlots());

    RegKey key = RegKey::openSettingsWrite(registry, QStringLiteral("MyFiles"));
    key.writeString(QStringLiteral("My03"), QStringLiteral("/c.txt"));
    key.writeInteger(QStringLiteral("My04"), 7);
    readSlots(registry, store, slots);
    EXPECT_EQ(slots[0], "");
    EXPECT_EQ(slots[2], "/c.txt");
    EXPECT_EQ(slots[3], "");  // not a string: no path
}

}  // namespace
