#include "app/Applic.h"
#include "app/Quillpress.h"
#include "app/document/Recovery.h"
#include "platform/FileDialogService.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/PrintDialogService.h"
#include "platform/Services.h"
#include "platform/ShellService.h"
#include "platform/SystemServices.h"
#include "platform/TerminationSignals.h"
#include "store/Registry.h"

#include <QApplication>
#include <QFile>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Qt has taken its own options out of argv by now. File names are bytes:
    // decoded as the file system encodes names, they open whatever the locale.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);

    const qp::Paths paths = qp::Paths::fromEnvironment(QCoreApplication::applicationFilePath());
    auto messages = qp::makeQtMessageService();
    auto fileDialogs = qp::makeQtFileDialogService();
    auto printDialog = qp::makeQtPrintDialogService();
    auto shell = qp::makeQtShellService(paths.programPath);
    auto clock = qp::makeSystemClock();
    auto screen = qp::makeQtScreenInfo();
    qp::Registry registry(paths.settingsFolder);
    qp::Services services{*messages, *fileDialogs, *printDialog, *shell, *clock, *screen, registry, paths};

    const auto app = qp::startQuillpress(services, arguments);
    // Ended from outside (logout, shutdown, kill): the unsaved document is
    // copied for the next start, then the program ends without questions.
    qp::handOverTerminationSignals(app.get(), [&app] {
        app->recovery().writeNow();
        QCoreApplication::exit(0);
    });
    return application.exec();
}
