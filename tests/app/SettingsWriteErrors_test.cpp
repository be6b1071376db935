// A setting that cannot be written, wherever the program writes one: the
// store's message, then the file and the system's reason, so that the user
// can mend it (a full disk, a read-only or missing home folder).
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/Commands.h"
#include "editing/Window_FindAndReplace.h"
#include "editor/RichEdit.h"
#include "format/Window_TextSpecifications.h"
#include "print/Window_PrintOptions.h"
#include "settings/Window_Settings.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

#include <functional>

using namespace qp;
using namespace qp::test;

namespace {

class SettingsWriteErrors : public AppFixture {
protected:
    // The settings folder is gone and a file stands in its place: no write can
    // succeed, not even root's.
    void blockSettingsFolder()
    {
        ASSERT_TRUE(QDir(settingsFolder()).removeRecursively());
        QFile blocker(settingsFolder());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    void unblockSettingsFolder()
    {
        QFile::remove(settingsFolder());
        ASSERT_TRUE(QDir().mkpath(settingsFolder()));
    }
};

TEST_F(SettingsWriteErrors, EveryPlaceNamesTheFileAndTheReason)
{
    enum class Place { SettingsOk, PrintOptionsOk, DefaultFormat, WordWrap, AlphabeticSort, RecentFiles, DialogPosition };
    struct Case {
        const char* name;
        Place place;
        const char* message;  // the store's, for the first thing the place writes
    };
    const Case cases[] = {
        // The file associations are written first, into the classes hive.
        {"Settings dialog OK", Place::SettingsOk, "Failed to create key .txt"},
        {"Print Options OK", Place::PrintOptionsOk, "Failed to set data for 'Default_LeftMargin'"},
        {"Text Specifications Default", Place::DefaultFormat, "Failed to set data for 'Default_FontName'"},
        {"Wordwrap toggle", Place::WordWrap, "Failed to set data for 'WordWrap_Enabled'"},
        {"Alphabetic Sort", Place::AlphabeticSort, "Failed to set data for 'AutoWords_SortOrder'"},
        {"recent files after an open", Place::RecentFiles, "Failed to set data for 'Recent01'"},
        {"Find and Replace position", Place::DialogPosition, "Failed to set data for 'Position_Left'"},
    };
    const QString document = writeFile("chapter.txt", "Once upon a time");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TApp& window = start();
        blockSettingsFolder();
        messages.clear();

        switch (c.place) {
        case Place::SettingsOk:
            window.windows().settings->showSettings();
            processEvents();
            window.windows().settings->findChild<QPushButton*>("Button_OK")->click();
            break;
        case Place::PrintOptionsOk:
            window.windows().printOptions->show();
            processEvents();
            window.windows().printOptions->accept();
            break;
        case Place::DefaultFormat:
            window.windows().textSpecifications->showDialog();
            processEvents();
            for (QPushButton* button : window.windows().textSpecifications->findChildren<QPushButton*>()) {
                if (button->text() == "&Default")
                    button->click();
            }
            break;
        case Place::WordWrap:
            window.runCommand(Command::View_WordwrapEnabled);
            break;
        case Place::AlphabeticSort:
            window.runCommand(Command::Insert_ChangeSortOrder);
            break;
        case Place::RecentFiles:
            fileDialogs.choose(document);
            window.runCommand(Command::File_Open);
            EXPECT_EQ(editor().text(), "Once upon a time") << "the file opens all the same";
            break;
        case Place::DialogPosition:
            window.windows().findAndReplace->show();
            processEvents();
            window.windows().findAndReplace->hide();
            break;
        }
        processEvents();

        const QStringList errors = messages.errors();
        ASSERT_FALSE(errors.isEmpty());
        EXPECT_EQ(messages.boxes().size(), errors.size()) << "nothing tells of success: " << messages.texts().join('|').toStdString();
        const QString first = errors.first();
        EXPECT_TRUE(first.startsWith(QString::fromLatin1(c.message) + QLatin1Char('\r'))) << first.toStdString();
        EXPECT_TRUE(first.contains(QStringLiteral("The settings could not be written to \"%1\": ").arg(settingsFolder())))
            << first.toStdString();
        EXPECT_TRUE(first.contains("Not a directory") || first.contains("File exists")) << first.toStdString();
        // No box of the store's says less.
        for (const QString& error : errors) {
            if (error.startsWith("Failed to")) {
                EXPECT_TRUE(error.contains(settingsFolder())) << error.toStdString();
            }
        }

        unblockSettingsFolder();
        stop();
    }
}

}  // namespace
