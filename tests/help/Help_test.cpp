// The Help menu's windows through the running program: the Additional
// Functions list and its printout, About with its boxes and link, Credits,
// and the Documentation command.
#include "support/AppFixture.h"
#include "support/PdfFiles.h"

#include "app/Applic.h"
#include "help/HelpCommands.h"
#include "help/Window_About.h"
#include "help/Window_Credits.h"
#include "help/Window_Shortcuts.h"

#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace qp;
using namespace qp::test;

namespace {

TEST(ShortcutListing, KeysStartInColumn42)
{
    const QStringList listing = shortcutListing();
    ASSERT_EQ(listing.size(), 2 + 52);
    EXPECT_EQ(listing[0], "FUNCTION" + QString(33, ' ') + "SHORTCUT/KEYSTROKES");
    EXPECT_EQ(listing[0].indexOf("SHORTCUT"), 41);
    EXPECT_EQ(listing[1], "");
    EXPECT_EQ(listing[2], "EDIT" + QString(37, ' '));
    const QString paste = listing[2 + 13];
    EXPECT_EQ(paste, "  Paste" + QString(34, ' ') + "Shift+Ins");
    EXPECT_EQ(listing[2 + 14], QString(41, ' ')) << "a separator row";
    EXPECT_EQ(listing.last(), "  Activate alternative popup menu" + QString(8, ' ') + "Ctrl+Space");

    const QStringList page = shortcutPrintout();
    EXPECT_EQ(page.mid(0, 6), (QStringList{"", "", "", "    QUILLPRESS ADDITIONAL FUNCTIONS", "", ""}));
    EXPECT_EQ(page.size(), 6 + listing.size());
    EXPECT_EQ(page.last(), "    " + listing.last());
}

class Help : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    TForm_Shortcuts& shortcuts() { return *app().windows().shortcuts; }
    TForm_About& about() { return *app().windows().about; }
    TForm_Credits& credits() { return *app().windows().credits; }
    QPushButton& button(QWidget& window, const char* name) { return *window.findChild<QPushButton*>(name); }
    void click(QWidget& widget)
    {
        QTest::mouseClick(&widget, Qt::LeftButton);
        processEvents();
    }
    void showAbout()
    {
        app().findChild<QAction*>("About1")->trigger();
        processEvents();
    }
};

TEST_F(Help, F1ShowsTheListAndClosesIt)
{
    press(QKeySequence(Qt::Key_F1));
    processEvents();
    ASSERT_TRUE(shortcuts().isVisible());
    EXPECT_EQ(shortcuts().windowTitle(), "Additional Functions");
    auto* list = shortcuts().findChild<QTableWidget*>("ListView1");
    ASSERT_EQ(list->rowCount(), 52);
    EXPECT_EQ(list->item(13, 0)->text(), "  Paste");
    EXPECT_EQ(list->item(13, 1)->text(), "Shift+Ins");
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), "Shortcut / Keystrokes");
    EXPECT_TRUE(button(shortcuts(), "Button1").isDefault());
    EXPECT_EQ(QApplication::focusWidget(), &button(shortcuts(), "Button1"));
    press(QKeySequence(Qt::Key_F1));
    EXPECT_FALSE(shortcuts().isVisible());

    // Back in the main window, as the desktop puts the user there.
    app().activateWindow();
    editor().setFocus();
    press(QKeySequence(Qt::Key_F1));
    processEvents();
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(shortcuts().isVisible());
}

TEST_F(Help, EveryPrintoutHoldsTheListOnce)
{
    press(QKeySequence(Qt::Key_F1));
    processEvents();
    for (const char* name : {"first.pdf", "second.pdf"}) {
        printDialog.defaultPrinterPdf = scratchPath(name);
        click(button(shortcuts(), "Button2"));
    }
    const QString text = pdfText(scratchPath("second.pdf"));
    EXPECT_EQ(text.count("QUILLPRESS ADDITIONAL FUNCTIONS"), 1) << text.toStdString();
    EXPECT_EQ(text.count("Selection uppercase"), 1);
    EXPECT_EQ(text.count("Shift+Ins"), 1);
    EXPECT_TRUE(text.contains("Activate alternative popup menu"));
    EXPECT_TRUE(shortcuts().isVisible());
    EXPECT_TRUE(messages.boxes().isEmpty());

    // Nowhere to print to: nothing happens.
    printDialog.defaultPrinterPdf.clear();
    click(button(shortcuts(), "Button2"));
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(Help, AboutShowsTheVersionAndItsBoxes)
{
    showAbout();
    ASSERT_TRUE(about().isVisible());
    EXPECT_EQ(about().findChild<QLabel*>("Label2")->text(), "Version 2.03");
    EXPECT_EQ(QApplication::focusWidget(), &button(about(), "Button1"));

    press(QKeySequence(Qt::CTRL | Qt::Key_I));
    ASSERT_EQ(messages.boxes().size(), 1);
    const QStringList details = messages.texts().first().split('\r');
    ASSERT_EQ(details.size(), 5);
    EXPECT_EQ(details[0], "Program location:\t" + QFileInfo(QP_BIN_DIR "/quillpress").absolutePath() + "/");
    EXPECT_EQ(details[1], "Settings folder:\t" + QDir::cleanPath(settingsFolder()) + "/");
    EXPECT_TRUE(details[2].startsWith("Build:\t"));
    EXPECT_GT(details[2].size(), 8) << "the program file's time";
    EXPECT_TRUE(details[3].startsWith("System version:\t"));
    EXPECT_EQ(details[4], "Qt version:\t" + QString::fromLatin1(qVersion()));

    messages.clear();
    click(*about().findChild<QLabel*>("Image1"));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith("Hi there,\r\rDeveloping Quillpress was great fun.\r"));
    EXPECT_TRUE(messages.texts().first().contains("two years of my life...      \r"));

    click(*about().findChild<QLabel*>("Label7"));
    ASSERT_EQ(shell.calls.size(), 1);
    EXPECT_EQ(shell.calls.first().path, QString::fromLatin1(WebPage));

    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(about().isVisible());
}

// The Details box as the user sees it: a form whose values start in one
// column, each on its label's row and on one line, nothing cut off, however
// the box is opened.
struct DetailsOpening {
    const char* name;
    bool byKey;  // Ctrl+I, else the Details button
};

void PrintTo(const DetailsOpening& c, std::ostream* out)
{
    *out << c.name;
}

class DetailsForm : public Help, public ::testing::WithParamInterface<DetailsOpening> {
protected:
    void SetUp() override
    {
        // An earlier test's close may have ended the application's loop before
        // it ran, which ends every later loop at once, a box's among them; a
        // run of the application's loop clears that.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        useRealMessageBoxes();
        Help::SetUp();
    }
};

TEST_P(DetailsForm, ValuesStartInOneColumnBesideTheirLabels)
{
    showAbout();
    bool seen = false;
    // Looks at the box once it is up, from inside its own event loop.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* box = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->objectName() == QLatin1String("InformationForm"))
                box = window;
        }
        if (!box)
            return;
        poll.stop();
        seen = true;
        EXPECT_EQ(box->objectName(), "InformationForm");
        EXPECT_EQ(box->windowTitle(), "Information");
        auto* form = box->findChild<QFormLayout*>();
        ASSERT_TRUE(form);
        ASSERT_EQ(form->rowCount(), 5);
        QStringList labels;
        int valueLeft = -1;
        for (int row = 0; row < form->rowCount(); ++row) {
            auto* label = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget());
            auto* value = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::FieldRole)->widget());
            ASSERT_TRUE(label && value);
            labels << label->text();
            const QRect l = label->geometry();
            const QRect v = value->geometry();
            SCOPED_TRACE(label->text().toStdString());
            if (valueLeft < 0)
                valueLeft = v.left();
            EXPECT_EQ(v.left(), valueLeft) << "every value starts in the same column";
            EXPECT_GT(v.left(), l.right()) << "beside its label, not under it";
            EXPECT_LT(std::abs(v.center().y() - l.center().y()), l.height() / 2 + 1) << "on its label's row";
            EXPECT_GE(v.width(), value->sizeHint().width()) << "not cut off";
            EXPECT_LT(v.height(), 2 * value->fontMetrics().lineSpacing()) << "on one line";
            EXPECT_TRUE(box->rect().contains(value->mapTo(box, value->rect().bottomRight())));
        }
        EXPECT_EQ(labels, QStringList({"Program location:", "Settings folder:", "Build:", "System version:",
                                       "Qt version:"}));
        EXPECT_EQ(qobject_cast<QLabel*>(form->itemAt(1, QFormLayout::FieldRole)->widget())->text(),
                  QDir::cleanPath(settingsFolder()) + "/");
        EXPECT_LE(box->frameGeometry().width(), box->screen()->availableGeometry().width());
        auto* ok = qobject_cast<QPushButton*>(box->focusWidget());
        ASSERT_TRUE(ok) << "OK has the focus";
        EXPECT_EQ(ok->text().remove(QLatin1Char('&')), "OK");
        QTest::keyClick(ok, Qt::Key_Return);
    });
    poll.start();
    if (GetParam().byKey)
        press(QKeySequence(Qt::CTRL | Qt::Key_I));
    else
        click(button(about(), "Button2"));
    EXPECT_TRUE(seen);
    EXPECT_EQ(app().findChild<QWidget*>("InformationForm"), nullptr) << "Enter closes it";
    EXPECT_TRUE(about().isVisible());
}

INSTANTIATE_TEST_SUITE_P(, DetailsForm,
                         ::testing::Values(DetailsOpening{"CtrlI", true}, DetailsOpening{"DetailsButton", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Help, CreditsOpenFromAboutAndGiveTheFocusBack)
{
    showAbout();
    click(button(about(), "Button3"));
    ASSERT_TRUE(credits().isVisible());
    click(*credits().findChild<QLabel*>("Image1"));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith("Quillpress is powered by:     \r"));
    click(button(credits(), "Button1"));
    EXPECT_FALSE(credits().isVisible());
    EXPECT_TRUE(about().isVisible());
}

TEST_F(Help, DocumentationIsHiddenWithoutHelpFileAndItsKeyShowsNothing)
{
    EXPECT_FALSE(app().action(Command::Help_Documentation)->isVisible());
    press(QKeySequence(Qt::CTRL | Qt::Key_F1));
    EXPECT_TRUE(shell.calls.isEmpty());
    EXPECT_EQ(app().findChild<QDialog*>("TForm_Documentation"), nullptr);
    EXPECT_TRUE(messages.boxes().isEmpty());
}

// The page is shown as HTML by the program itself: never handed to whatever
// opens text/plain on the desktop (a second Quillpress showing the source,
// which then enters Recent Files), never run for its executable bit.
TEST_F(Help, ShippedHelpPageIsShownAsHtmlInAWindowOfItsOwn)
{
    const QString page = programFolder() + "/Help.htm";
    QFile::copy(QP_BIN_DIR "/../share/quillpress/Help.htm", page);
    ASSERT_TRUE(QFileInfo::exists(page)) << "the help page is shipped";
    QFile::setPermissions(page, QFile::permissions(page) | QFile::ExeOwner | QFile::ExeUser);
    restart();
    EXPECT_TRUE(app().action(Command::Help_Documentation)->isVisible());
    editor().setFocus();
    press(QKeySequence(Qt::CTRL | Qt::Key_F1));

    auto* window = app().findChild<QDialog*>("TForm_Documentation");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const auto* browser = window->findChild<QTextBrowser*>("Browser");
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains("Recent Files")) << "the page's text, not its markup";
    EXPECT_FALSE(browser->toPlainText().contains("<h1")) << "the page's text, not its markup";
    EXPECT_TRUE(shell.calls.isEmpty());
    EXPECT_TRUE(shell.recentDocuments.isEmpty());

    // A second Ctrl+F1 brings the same window forward.
    editor().activateWindow();
    press(QKeySequence(Qt::CTRL | Qt::Key_F1));
    EXPECT_EQ(app().findChildren<QDialog*>("TForm_Documentation").size(), 1);
}

}  // namespace
