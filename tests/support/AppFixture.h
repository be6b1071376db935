#pragma once

#include "support/Fakes.h"

#include <QKeySequence>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace qp {
class Registry;
class RichEdit;
class TApp;
struct Services;
}  // namespace qp

namespace qp::test {

// Starts the program as main does, with scripted platform services, a fresh
// settings folder and a fresh program folder; a test presses keys, answers
// boxes and looks at the document, the windows and the store.
class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    TApp& start(const QStringList& arguments = {});
    // The platform's own file dialogs in place of the scripted ones, for the
    // next start (the desktop tests look at the real dialog).
    void useRealFileDialogs();
    // The platform's own message boxes in place of the scripted answers, for the next start.
    void useRealMessageBoxes();
    // Closes the window as the user would (close sequence included) and
    // starts the program again on the same folders.
    TApp& restart(const QStringList& arguments = {});
    // The folder the program takes its Word converters from, for the next
    // start; by default an empty folder of the test's own.
    void useConverterFolder(const QString& folder);
    QString converterFolder() const;
    // The folder of spelling dictionaries, for the next start; by default
    // the tests' own small English one.
    void useDictionaryFolder(const QString& folder);
    // Ends the program without the close sequence.
    void stop();

    TApp& app() const;
    RichEdit& editor() const;
    Registry& registry() const { return *m_registry; }
    QString settingsFolder() const { return m_settingsDir.path(); }
    QString programFolder() const { return m_programDir.path(); }
    QString recoveryFolder() const { return m_recoveryDir.path() + QStringLiteral("/recovery"); }
    // A file in a scratch folder of the test's own.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    QString scratchPath(const QString& name) const;

    // Another window of the program, active, with the focus in a text field.
    QLineEdit* showDialogWithField();

    // Key presses go where the user's would: to the focused widget of the program.
    void press(const QKeySequence& keys);
    void type(const QString& text);
    void processEvents();

    FakeMessageService messages;
    FakeFileDialogService fileDialogs;
    FakePrintDialogService printDialog;
    FakeShellService shell;
    FakeClock clock;
    FakeScreen screen;

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_programDir;
    QTemporaryDir m_scratchDir;
    QTemporaryDir m_converterDir;
    QTemporaryDir m_recoveryDir;
    std::unique_ptr<Registry> m_registry;
    std::unique_ptr<FileDialogService> m_realFileDialogs;
    std::unique_ptr<MessageService> m_realMessages;
    std::unique_ptr<Services> m_services;
    std::unique_ptr<TApp> m_app;
};

// A file's bytes, or "<unreadable>" when it cannot be read.
QByteArray readAll(const QString& path);

}  // namespace qp::test
