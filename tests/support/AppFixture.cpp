#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/Quillpress.h"
#include "editor/RichEdit.h"
#include "platform/Services.h"
#include "store/Registry.h"

#include <QApplication>
#include <QDialog>
#include <QVBoxLayout>
#include <QFile>
#include <QTest>

namespace qp::test {

AppFixture::AppFixture()
{
    m_registry = std::make_unique<Registry>(m_settingsDir.path());
    // An installed program, so that no Setup window takes the keys; the
    // first-run tests delete the version.
    RegKey::openSettingsWrite(*m_registry, QStringLiteral("Miscellaneous"))
        .writeString(QStringLiteral("Version"), QStringLiteral("2.03"));
    Paths paths;
    paths.settingsFolder = m_settingsDir.path();
    paths.programFolder = m_programDir.path();
    paths.sharedFolder = QString();
    paths.programPath = QStringLiteral(QP_BIN_DIR "/quillpress");
    paths.converterFolder = m_converterDir.path();
    paths.recoveryFolder = m_recoveryDir.path() + QStringLiteral("/recovery");
    // A small dictionary of the tests' own, whatever the machine has installed.
    paths.dictionaryFolder = QStringLiteral(QP_TEST_DATA_DIR "/spelling");
    m_services.reset(new Services{messages, fileDialogs, printDialog, shell, clock, screen, *m_registry, paths});
}

void AppFixture::useRealFileDialogs()
{
    m_realFileDialogs = makeQtFileDialogService();
    m_services.reset(new Services{m_services->messages, *m_realFileDialogs, printDialog, shell, clock, screen,
                                  *m_registry, m_services->paths});
}

void AppFixture::useRealMessageBoxes()
{
    m_realMessages = makeQtMessageService();
    m_services.reset(new Services{*m_realMessages, m_services->fileDialogs, printDialog, shell, clock, screen,
                                  *m_registry, m_services->paths});
}

AppFixture::~AppFixture()
{
    stop();
}

void AppFixture::useConverterFolder(const QString& folder)
{
    m_services->paths.converterFolder = folder;
}

void AppFixture::useDictionaryFolder(const QString& folder)
{
    m_services->paths.dictionaryFolder = folder;
}

QString AppFixture::converterFolder() const
{
    return m_services->paths.converterFolder;
}

TApp& AppFixture::start(const QStringList& arguments)
{
    stop();
    m_app = startQuillpress(*m_services, arguments);
    QApplication::setActiveWindow(m_app.get());
    m_app->activateWindow();
    processEvents();
    return *m_app;
}

TApp& AppFixture::restart(const QStringList& arguments)
{
    if (m_app)
        m_app->close();
    return start(arguments);
}

void AppFixture::stop()
{
    m_app.reset();
    processEvents();
}

TApp& AppFixture::app() const
{
    return *m_app;
}

RichEdit& AppFixture::editor() const
{
    return m_app->editor();
}

QString AppFixture::scratchPath(const QString& name) const
{
    return m_scratchDir.filePath(name);
}

QString AppFixture::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = scratchPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QLineEdit* AppFixture::showDialogWithField()
{
    auto* dialog = new QDialog(m_app.get());
    auto* field = new QLineEdit(dialog);
    (new QVBoxLayout(dialog))->addWidget(field);
    dialog->show();
    QApplication::setActiveWindow(dialog);
    field->setFocus();
    processEvents();
    return field;
}

void AppFixture::press(const QKeySequence& keys)
{
    for (int i = 0; i < keys.count(); ++i) {
        const QKeyCombination combination = keys[i];
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = m_app.get();
        QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
    }
    processEvents();
}

void AppFixture::type(const QString& text)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = m_app.get();
    QTest::keyClicks(target, text);
    processEvents();
}

void AppFixture::processEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace qp::test
