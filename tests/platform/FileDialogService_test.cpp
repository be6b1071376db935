// The Save dialog as the user works it: the name box after picking another
// type entry, with Qt's own file dialog, which renames on its own first.
#include "support/Fakes.h"

#include "app/document/Tools_File.h"
#include "platform/FileDialogService.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
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

// A name typed with double quotes in it: Qt's dialog reads quotes as a list
// of files and would save under another name, even in another folder. The
// name is saved as typed, in the folder shown, with the default extension
// where it has none; a name whose folder does not exist is refused with a
// message and the dialog stays open.
struct QuotedNameCase {
    const char* name;
    const char* typed;         // the name box, relative to the folder shown
    const char* saved;         // the file chosen, relative to it; empty: refused
    const char* existing = ""; // a file that is already there
};

void PrintTo(const QuotedNameCase& c, std::ostream* out)
{
    *out << c.name;
}

class SaveQuotedName : public ::testing::TestWithParam<QuotedNameCase> {};

TEST_P(SaveQuotedName, IsSavedAsTypedOrRefused)
{
    const QuotedNameCase& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("sub")));
    if (*c.existing) {
        QFile file(folder.filePath(QString::fromUtf8(c.existing)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const auto service = makeQtFileDialogService();
    FileDialogRequest request;
    request.title = QStringLiteral("Save");
    request.filter = QString::fromLatin1(SaveFilter);
    request.filterIndex = 1;
    request.fileName = folder.filePath(QStringLiteral("start.rtf"));
    request.defaultExtension = QStringLiteral("rtf");
    request.overwritePrompt = true;

    QStringList boxes;
    std::function<void()> answerBoxes = [&] {
        // The overwrite question and the refusal come as boxes over the dialog.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes << box->text();
            if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                yes->click();
            else
                box->buttons().first()->click();
        }
    };
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(nameBox);
        nameBox->clear();
        QTest::keyClicks(nameBox, QString::fromUtf8(c.typed));
        QTimer::singleShot(50, answerBoxes);
        QTest::keyClick(nameBox, Qt::Key_Return);
        // Still open after a refusal: give up on it as the user would.
        QTimer::singleShot(100, [dialog] {
            if (QApplication::activeModalWidget() == dialog)
                dialog->reject();
        });
    });
    const FileDialogResult result = service->save(request);

    if (*c.saved) {
        ASSERT_TRUE(result.accepted) << boxes.join('\n').toStdString();
        EXPECT_EQ(result.fileName, folder.filePath(QString::fromUtf8(c.saved)));
        EXPECT_EQ(boxes.size(), *c.existing ? 1 : 0) << boxes.join('\n').toStdString();
    } else {
        EXPECT_FALSE(result.accepted) << result.fileName.toStdString();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes.first().contains(QStringLiteral("does not exist"))) << boxes.first().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    , SaveQuotedName,
    ::testing::Values(QuotedNameCase{"QuotesInside", "Chapter \"One\".rtf", "Chapter \"One\".rtf"},
                      QuotedNameCase{"QuotedWholeName", "\"Chapter One\".txt", "\"Chapter One\".txt"},
                      QuotedNameCase{"TwoQuotedParts", "\"a\" \"b\"", "\"a\" \"b\".rtf"},
                      QuotedNameCase{"OneQuote", "5\" floppy", "5\" floppy.rtf"},
                      QuotedNameCase{"InASubfolder", "sub/\"draft\".rtf", "sub/\"draft\".rtf"},
                      QuotedNameCase{"OverAnExistingFile", "\"kept\".rtf", "\"kept\".rtf", "\"kept\".rtf"},
                      QuotedNameCase{"FolderMissing", "nowhere/\"draft\".rtf", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
