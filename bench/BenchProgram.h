#pragma once

// The whole program for benchmarks, started as main starts it, with quiet
// stand-ins for the boxes and dialogs so that nothing waits for a user.
#include "app/Applic.h"
#include "app/Quillpress.h"
#include "editing/Window_FindAndReplace.h"
#include "platform/FileDialogService.h"
#include "platform/MessageService.h"
#include "platform/PrintDialogService.h"
#include "platform/Services.h"
#include "platform/ShellService.h"
#include "platform/SystemServices.h"
#include "store/Registry.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace bench {

using namespace qp;

// Quiet stand-ins for the boxes and dialogs, so nothing waits for a user.
class SilentMessages : public MessageService {
public:
    void information(const QString& text) override { last = text; }
    Answer confirm(const QString&, Buttons) override { return Answer::No; }
    Answer retryNo(const QString&, const QString&) override { return Answer::No; }
    void error(const QString& text) override { std::fprintf(stderr, "error box: %s\n", qPrintable(text)); }
    void plain(const QString&) override {}
    QString last;
};

class NoFileDialogs : public FileDialogService {
public:
    FileDialogResult open(const FileDialogRequest&) override { return {}; }
    FileDialogResult save(const FileDialogRequest&) override { return {}; }
};

class NoPrintDialog : public PrintDialogService {
public:
    PrintChoice choosePrinter(QPrinter&, const PrintSetup&, PrintRange&, PageSpan&) override { return PrintChoice::Cancel; }
    void preview(QPrinter&, const std::function<void(QPrinter&)>&) override {}
    bool useDefaultPrinter(QPrinter&) override { return false; }
    std::unique_ptr<PrintProgress> showProgress() override { return nullptr; }
};

class NoShell : public ShellService {
public:
    bool open(const QString&, const QString&) override { return false; }
    bool runWith(const QString&, const QString&) override { return false; }
    bool startProgramCopy() override { return false; }
    void notifyAssociationsChanged() override {}
    void setDefaultHandler(const QString&, bool) override {}
    bool isDefaultHandler(const QString&) override { return false; }
    void setSendToEntry(bool) override {}
    void removeDesktopIntegration() override {}
    void addRecentDocument(const QString&) override {}
};

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2024, 5, 1), QTime(12, 0)); }
};

class FixedScreen : public ScreenInfo {
public:
    QRect screenGeometry() const override { return {0, 0, 1920, 1080}; }
};

// The program as main starts it, on fresh folders, with the given command
// line; each benchmark ends it while the application object still exists.
struct Program {
    explicit Program(const QStringList& arguments = {}) : Program(arguments, [](Program&) {}) {}

    // `prepare` fills the fresh folders (settings, files beside the program) before the start.
    Program(const QStringList& arguments, const std::function<void(Program&)>& prepare)
        : registry(settings.path()),
          services{messages, fileDialogs, printDialog, shell, clock, screen, registry, folders()}
    {
        prepare(*this);
        app = startQuillpress(services, arguments);
        app->resize(1000, 700);
        QApplication::setActiveWindow(app.get());
        QCoreApplication::processEvents();
    }

    // The program's own folders, inside the temporary ones.
    Paths folders() const
    {
        Paths paths;
        paths.settingsFolder = settings.path();
        paths.programFolder = programDir.path();
        paths.recoveryFolder = settings.path() + QStringLiteral("/recovery");
        return paths;
    }

    ~Program()
    {
        if (!app)
            return;
        // Destroying the main window while one of its windows is open and
        // active runs its focus handling half destroyed; close this one first.
        app->windows().findAndReplace->hide();
        app.reset();
    }

    QTemporaryDir settings;
    QTemporaryDir programDir;
    SilentMessages messages;
    NoFileDialogs fileDialogs;
    NoPrintDialog printDialog;
    NoShell shell;
    FixedClock clock;
    FixedScreen screen;
    Registry registry;
    Services services;
    std::unique_ptr<TApp> app;
};

}  // namespace bench
