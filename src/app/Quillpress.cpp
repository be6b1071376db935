#include "app/Quillpress.h"

#include "app/AppHosts.h"
#include "app/Applic.h"
#include "app/Global.h"
#include "editing/Window_EditAutoWords.h"
#include "editing/Window_FindAndReplace.h"
#include "editing/Window_GoToLine.h"
#include "editing/Window_InsertCharacter.h"
#include "files/Window_MyFiles.h"
#include "files/Window_RecentFiles.h"
#include "format/Window_TextSpecifications.h"
#include "help/Window_About.h"
#include "help/Window_Credits.h"
#include "help/Window_Shortcuts.h"
#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "platform/ProgramIcon.h"
#include "platform/Services.h"
#include "print/Window_PrintOptions.h"
#include "settings/Window_FirstRun.h"
#include "settings/Window_Settings.h"
#include "store/Registry.h"

#include <QDir>
#include <QGuiApplication>
#include <QSet>

#include <memory>

namespace qp {

namespace {

QString keptAsideMessage(const QString& damage, const QString& keptAs)
{
    return QStringLiteral("%1\rIt has been kept as \"%2\" and Quillpress starts with fresh settings.").arg(damage, keptAs);
}

QString missingValuesMessage(const QString& file, const QString& key, const QStringList& names, const QString& remedy)
{
    QStringList quoted;
    for (const QString& name : names)
        quoted << QLatin1Char('\'') + name + QLatin1Char('\'');
    const bool one = names.size() == 1;
    return QStringLiteral("The settings file \"%1\" lacks %2 %3 under [%4].\rQuillpress uses its built-in %5 for now. %6")
        .arg(QDir::toNativeSeparators(file), one ? QStringLiteral("the value") : QStringLiteral("the values"),
             quoted.join(QStringLiteral(", ")), key, one ? QStringLiteral("value") : QStringLiteral("values"), remedy);
}

// A value missing from the settings file is told once a run, the first time
// a reader misses it; readers that meet it again go on quietly with the
// built-in value, so that opening file after file shows no box each time.
void tellMissingValuesOnce(Services& services)
{
    auto told = std::make_shared<QSet<QString>>();
    services.registry.setMissingValuesHandler(
        [&messages = services.messages, told](const QString& file, const QString& key, const QStringList& names,
                                              const QString& remedy) {
            QStringList fresh;
            for (const QString& name : names) {
                const QString id = (key + QLatin1Char('\\') + name).toLower();
                if (!told->contains(id)) {
                    told->insert(id);
                    fresh << name;
                }
            }
            if (!fresh.isEmpty())
                messages.information(missingValuesMessage(file, key, fresh, remedy));
        });
}

// A damaged settings file is kept aside, never silently replaced; the user
// hears once where it went and the program goes on with fresh settings. The
// same holds for a file damaged while the program runs (edited by hand, or
// by another program), found by the next write.
void setAsideDamagedHives(Services& services)
{
    for (const Hive hive : {Hive::CurrentUser, Hive::ClassesRoot}) {
        const std::optional<QString> damage = services.registry.checkHive(hive);
        if (!damage)
            continue;
        const QString keptAs = services.registry.keepAside(hive);
        services.messages.error(keptAsideMessage(*damage, keptAs));
    }
}

void createWindows(TApp& app)
{
    AppWindows& w = app.windows();
    w.recentFiles = new TForm_RecentFiles(makeFilesHost(app), &app);
    w.textSpecifications = new TForm_TextSpecifications(makeFormatHost(app), &app);
    w.findAndReplace = new TForm_FindAndReplace(makeSearchHost(app), &app);
    w.goToLine = new TForm_GoToLine(makeEditingDialogHost(app), &app);
    w.insertCharacter = new TForm_InsertCharacter(makeEditingDialogHost(app), &app);
    w.myFiles = new TForm_MyFiles(makeFilesHost(app), &app);
    w.printOptions = new TForm_PrintOptions(makePrintHost(app), &app);
    w.settings = new TForm_Settings(app.registry(), app.services().messages, app.services().fileDialogs,
                                    app.options(), app.settingsHost(), &app);
    w.credits = new TForm_Credits(makeHelpHost(app), &app);
    w.firstRun = new TForm_FirstRun(app.registry(), app.services().messages, app.settingsHost(), app.setupHost(), &app);
    w.shortcuts = new TForm_Shortcuts(makeHelpHost(app), &app);
    w.about = new TForm_About(makeHelpHost(app), *w.credits, &app);
    app.completeStartup();
    w.editAutoWords = new TForm_EditAutoWords(app.autoWordsHost(), app.autoWordList(), &app);
}

}  // namespace

std::unique_ptr<TApp> startQuillpress(Services& services, const QStringList& arguments)
{
    setApplicationTitle(QString::fromLatin1(ProgramTitle));
    QGuiApplication::setApplicationName(QString::fromLatin1(ProgramTitle));
    // Task bars group the windows under the desktop entry and show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillpress"));
    QGuiApplication::setWindowIcon(programIcon());
    services.registry.setKeptAsideHandler([&messages = services.messages](const QString& damage, const QString& keptAs) {
        messages.error(keptAsideMessage(damage, keptAs));
    });
    tellMissingValuesOnce(services);
    runGuarded(services.messages, [&] { setAsideDamagedHives(services); });

    auto app = std::make_unique<TApp>(services, arguments);
    app->show();
    createWindows(*app);
    return app;
}

}  // namespace qp
