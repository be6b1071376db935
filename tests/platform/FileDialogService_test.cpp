// The Save dialog as the user works it: the name box after picking another
// type entry, with Qt's own file dialog, which renames on its own first.
#include "support/Fakes.h"

#include "app/document/Tools_File.h"
#include "platform/FileDialogService.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

using namespace qp;

namespace {

struct TypeChangeCase {
    const char* name;
    const char* typed;
    int preselected;          // the type entry the dialog opens with
    std::vector<int> picks;   // the entries the user picks, in turn
    const char* shown;        // the name box afterwards
};

void PrintTo(const TypeChangeCase& c, std::ostream* out)
{
    *out << c.name;
}

class SaveTypeName : public ::testing::TestWithParam<TypeChangeCase> {};

// Picks the entry from the open list, as a click on it does, also when it is the current one.
void pick(QComboBox& types, int entry)
{
    types.showPopup();
    types.view()->setCurrentIndex(types.model()->index(entry - 1, 0));
    QTest::keyClick(types.view(), Qt::Key_Return);
}

TEST_P(SaveTypeName, TheNameBoxAfterPickingATypeEntry)
{
    const TypeChangeCase& c = GetParam();
    QTemporaryDir folder;
    const auto service = makeQtFileDialogService();
    FileDialogRequest request;
    request.title = QStringLiteral("Save");
    request.filter = QString::fromLatin1(SaveFilter);
    request.filterIndex = c.preselected;
    request.fileName = folder.filePath(QStringLiteral("start"));
    request.defaultExtension = QStringLiteral("rtf");
    request.overwritePrompt = true;
    request.onTypeChange = [](int entry, const QString& name) { return nameForSaveType(name, entry); };

    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (!nameBox || !types) {
            ADD_FAILURE() << "no name box or type list";
            dialog->reject();
            return;
        }
        nameBox->clear();
        QTest::keyClicks(nameBox, QString::fromLatin1(c.typed));
        for (const int entry : c.picks)
            pick(*types, entry);
        shown = nameBox->text();
        QTest::keyClick(nameBox, Qt::Key_Return);
    });
    const FileDialogResult result = service->save(request);

    EXPECT_EQ(shown.toStdString(), c.shown);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(result.fileName, folder.filePath(QString::fromLatin1(c.shown)));
    EXPECT_EQ(result.filterIndex, c.picks.back());
}

INSTANTIATE_TEST_SUITE_P(
    , SaveTypeName,
    ::testing::Values(TypeChangeCase{"AllFilesLeavesATxtName", "saved1.txt", 2, {3}, "saved1.txt"},
                      TypeChangeCase{"AllFilesLeavesAnRtfName", "saved1.rtf", 1, {3}, "saved1.rtf"},
                      TypeChangeCase{"AllFilesLeavesAnyName", "chapter.md", 1, {3}, "chapter.md"},
                      TypeChangeCase{"AllFilesPickedAgain", "saved1.txt", 3, {3}, "saved1.txt"},
                      TypeChangeCase{"TextGivesTxt", "saved1.rtf", 1, {2}, "saved1.txt"},
                      TypeChangeCase{"RichTextGivesRtf", "saved1.txt", 2, {1}, "saved1.rtf"},
                      TypeChangeCase{"ANameWithoutDotGetsOne", "saved1", 3, {2}, "saved1.txt"},
                      TypeChangeCase{"OnlyAfterTheLastDot", "Notes 01.05.2024", 3, {1}, "Notes 01.05.rtf"},
                      TypeChangeCase{"ThereAndBack", "saved1.txt", 2, {3, 1, 3}, "saved1.rtf"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
