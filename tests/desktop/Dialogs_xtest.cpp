// Dialogs in front of the windows they belong to, and where they first open.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "editing/Window_FindAndReplace.h"
#include "editor/RichEdit.h"
#include "settings/FirstRun.h"
#include "settings/Window_FirstRun.h"
#include "settings/Window_Settings.h"
#include "store/Registry.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace qp;
using namespace qp::test;

namespace {

class DialogsOnDesktop : public DesktopFixture {};

QStringList listedNames(QFileDialog& dialog)
{
    QStringList names;
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (!view || !view->model())
        return names;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
        names << model->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

TEST_F(DialogsOnDesktop, TheRunBrowseDialogStandsInFrontOfTheSettingsAndListsPrograms)
{
    useRealFileDialogs();
    startOnDesktop();
    const QString program = writeFile(QStringLiteral("tool"), "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner | QFile::ExeUser);
    writeFile(QStringLiteral("notes.txt"), "text");
    QDir().mkpath(scratchPath(QStringLiteral("folder")));

    keys(QStringLiteral("F4"));
    TForm_Settings& settings = *app().windows().settings;
    ASSERT_TRUE(waitFor([&] { return settings.isVisible(); }));
    waitUntilPlaced(settings);
    settings.findChild<QLineEdit*>(QStringLiteral("Edit_RunPath"))->setText(program);
    screenshot(QStringLiteral("settings"));
    auto* browse = settings.findChild<QPushButton*>(QStringLiteral("Button_RunBrowse"));

    // The file dialog is modal: it is looked at from inside its own event loop,
    // and it is gone once that ends.
    quint64 dialogId = 0;
    QWidget* parent = nullptr;
    QList<quint64> stack;
    quint64 transient = 0;
    QString filter;
    QStringList listed;
    bool done = false;
    QTimer look;
    look.setInterval(100);
    QObject::connect(&look, &QTimer::timeout, &look, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || listedNames(*dialog).size() < 2)
            return;
        look.stop();
        waitUntilPlaced(*dialog);
        dialogId = dialog->winId();
        parent = dialog->parentWidget();
        stack = stackingOrder();
        transient = transientFor(*dialog);
        filter = dialog->selectedNameFilter();
        listed = listedNames(*dialog);
        screenshot(QStringLiteral("settings-with-run-browse-dialog"));
        dialog->reject();
        done = true;
    });
    look.start();
    clickAt(browse->mapToGlobal(browse->rect().center()));
    ASSERT_TRUE(waitFor([&] { return done; }, 15000)) << "the browse dialog shows";

    EXPECT_EQ(parent, &settings);
    EXPECT_EQ(transient, quint64(settings.winId())) << "the window manager keeps it with the Settings";
    const qsizetype dialogPlace = stack.indexOf(dialogId);
    const qsizetype settingsPlace = stack.indexOf(quint64(settings.winId()));
    ASSERT_GE(settingsPlace, 0);
    EXPECT_GT(dialogPlace, settingsPlace) << "in front of the Settings";
    EXPECT_EQ(dialogPlace, stack.size() - 1) << "in front of every window";
    EXPECT_EQ(filter, QStringLiteral("Executable Files (*)"));
    EXPECT_EQ(listed, (QStringList{QStringLiteral("folder"), QStringLiteral("tool")})) << "programs and folders only";
}

TEST_F(DialogsOnDesktop, ARememberedDialogOpensWhereItWasAlsoTheFirstTime)
{
    RegKey key = RegKey::openSettingsWrite(registry(), QStringLiteral("FindAndReplace"));
    key.writeInteger(QStringLiteral("Position_Left"), 200);
    key.writeInteger(QStringLiteral("Position_Top"), 150);
    startOnDesktop();
    app().options().rememberDialogPosition = true;
    TForm_FindAndReplace& find = *app().windows().findAndReplace;

    for (int opening = 1; opening <= 2; ++opening) {
        keys(QStringLiteral("ctrl+f"));
        ASSERT_TRUE(waitFor([&] { return find.isVisible(); }));
        waitUntilPlaced(find);
        EXPECT_EQ(frameOnScreen(find).topLeft(), QPoint(200, 150)) << "opening " << opening;
        find.close();
        ASSERT_TRUE(waitFor([&] { return !find.isVisible(); }));
        EXPECT_EQ(key.readInteger(QStringLiteral("Position_Top")), 150) << "stored as it closes, " << opening;
    }
}

// The Setup window is kept on top; the boxes of its install must still open
// in front of it, also the last one, which shows while the window manager is
// still handing the focus back from the question before it.
TEST_F(DialogsOnDesktop, TheInstallsBoxesStandInFrontOfTheSetupWindow)
{
    registry().deleteKey(Hive::CurrentUser, settingsRoot());
    useRealMessageBoxes();
    startOnDesktop();
    TForm_FirstRun* setup = app().windows().firstRun;
    ASSERT_NE(setup, nullptr);
    ASSERT_TRUE(waitFor([&] { return setup->isVisible(); }));
    waitUntilPlaced(*setup);

    struct Seen {
        QString title;
        bool frontmost = false;
        quint64 transient = 0;
    };
    QList<Seen> seen;
    QTimer look;
    look.setInterval(100);
    bool looking = false;  // waiting handles events, this timer's among them
    QObject::connect(&look, &QTimer::timeout, &look, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (looking || !box || !box->isVisible() || (!seen.isEmpty() && seen.last().title == box->windowTitle()))
            return;
        looking = true;
        // Managed by the window manager: in its stacking list.
        const quint64 id = box->winId();
        QList<quint64> stack;
        waitFor([&] {
            stack = stackingOrder();
            return stack.contains(id);
        });
        seen.append({box->windowTitle(), !stack.isEmpty() && stack.last() == id, transientFor(*box)});
        screenshot(QStringLiteral("setup-") + box->windowTitle().toLower());
        keys(QStringLiteral("Return"));
        looking = false;
    });
    look.start();
    keys(QStringLiteral("Return"));
    ASSERT_TRUE(waitFor([&] { return seen.size() == 2 && !setup->isVisible(); }, 15000));
    look.stop();

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(seen[1].title, QStringLiteral("Information"));
    for (const Seen& box : seen) {
        EXPECT_TRUE(box.frontmost) << qPrintable(box.title) << " is in front of every window";
        EXPECT_EQ(box.transient, quint64(setup->winId())) << qPrintable(box.title) << " belongs to the Setup window";
    }
    EXPECT_EQ(installedVersion(registry()), QStringLiteral("2.03"));
}

// The Setup window stays on top while the program is used under it; a box
// the main window asks for meanwhile must still come in front of it.
TEST_F(DialogsOnDesktop, ABoxOfTheMainWindowStandsInFrontOfTheSetupWindow)
{
    registry().deleteKey(Hive::CurrentUser, settingsRoot());
    useRealMessageBoxes();
    startOnDesktop();
    TForm_FirstRun* setup = app().windows().firstRun;
    ASSERT_TRUE(waitFor([&] { return setup->isVisible(); }));
    waitUntilPlaced(*setup);
    // Into the editor, clear of the Setup window, and a change to ask about.
    clickAt(editor().viewport()->mapToGlobal(QPoint(8, 8)));
    ASSERT_TRUE(waitFor([&] { return app().isActiveWindow(); }));
    keys(QStringLiteral("x"));
    ASSERT_TRUE(waitFor([&] { return editor().text() == QStringLiteral("x"); }));

    bool seen = false;
    bool frontmost = false;
    QTimer look;
    look.setInterval(100);
    QObject::connect(&look, &QTimer::timeout, &look, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (seen || !box || !box->isVisible())
            return;
        seen = true;
        const quint64 id = box->winId();
        QList<quint64> stack;
        waitFor([&] {
            stack = stackingOrder();
            return stack.contains(id);
        });
        frontmost = !stack.isEmpty() && stack.last() == id;
        screenshot(QStringLiteral("save-question-with-setup"));
        box->reject();
    });
    look.start();
    keys(QStringLiteral("ctrl+n"));
    ASSERT_TRUE(waitFor([&] { return seen; }, 15000)) << "the save question shows";
    look.stop();
    EXPECT_TRUE(frontmost) << "in front of the Setup window";
    EXPECT_TRUE(setup->isVisible());
}

}  // namespace

namespace {

// The Setup window asks for a close box only; a window manager that offers
// minimise anyway (openbox) took the main window along with it, since the
// Setup window belongs to it: both come straight back. The main window
// carries the class and icon task bars group by.
TEST_F(DialogsOnDesktop, MinimisingTheSetupWindowLeavesBothWindowsShownAndTheMainWindowNamesItsClass)
{
    registry().deleteKey(Hive::CurrentUser, settingsRoot());
    startOnDesktop();
    TForm_FirstRun* setup = app().windows().firstRun;
    ASSERT_NE(setup, nullptr);
    ASSERT_TRUE(waitFor([&] { return setup->isVisible(); }));
    waitUntilPlaced(*setup);

    const QString hints = runX("xprop", {"-id", QString::number(setup->winId()), "_MOTIF_WM_HINTS"});
    // Flags: functions and decorations given; functions: resize, move, close (no minimise, no maximise).
    EXPECT_TRUE(hints.contains("= 0x3, 0x26,")) << hints.toStdString();

    runX("xdotool", {"windowminimize", QString::number(setup->winId())});
    waitFor([] { return false; }, 700);  // the window manager's minimising, and the answer to it
    EXPECT_TRUE(waitFor([&] { return !app().isMinimized() && !setup->isMinimized() && setup->isVisible(); }));
    const QString state = runX("xprop", {"-id", QString::number(app().winId()), "WM_STATE"});
    EXPECT_TRUE(state.contains("Normal")) << state.toStdString();
    screenshot("setup-after-minimise");

    const QString main = QString::number(app().winId());
    const QString wmClass = runX("xprop", {"-id", main, "WM_CLASS"});
    EXPECT_TRUE(wmClass.contains("\"Quillpress\"")) << wmClass.toStdString();
    EXPECT_FALSE(runX("xprop", {"-id", main, "_NET_WM_ICON"}).contains("not found"));
}

// The documentation opens in a window of its own in front of the program,
// readable and closed from the keyboard.
TEST_F(DialogsOnDesktop, TheDocumentationWindowShowsThePageAndClosesWithEscape)
{
    QFile::copy(QP_BIN_DIR "/../share/quillpress/Help.htm", programFolder() + "/Help.htm");
    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeString("Version", "2.03");
    startOnDesktop();
    keys("ctrl+F1");
    QWidget* window = nullptr;
    ASSERT_TRUE(waitFor([&] {
        window = app().findChild<QDialog*>("TForm_Documentation");
        return window && window->isVisible() && window->isActiveWindow();
    }));
    waitUntilPlaced(*window);
    screenshot("documentation");
    keys("Escape");
    EXPECT_TRUE(waitFor([&] { return !window->isVisible(); }));
}

}  // namespace
