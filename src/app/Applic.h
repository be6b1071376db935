#pragma once

#include "app/Commands.h"
#include "app/Global.h"
#include "app/document/Converters.h"
#include "app/document/Tools_File.h"
#include "format/Tools_Format.h"
#include "settings/DateTimePatterns.h"
#include "settings/Settings.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QMenu;

namespace qp {

class CommandDispatch;
class Exporter;
class DocumentStatistics;
class AutoWordList;
class AutoWordsHost;
class EditingHost;
class ViewHost;
class EditorColumn;
class EditorSpelling;
class StatusBar;
class RichEdit;
class Registry;
class RecoveryKeeper;
class SetupHost;
class TForm_RecoverDocuments;
struct Services;
class TForm_About;
class TForm_Credits;
class TForm_EditAutoWords;
class TForm_FindAndReplace;
class TForm_FirstRun;
class TForm_GoToLine;
class TForm_InsertCharacter;
class TForm_MyFiles;
class TForm_PrintOptions;
class TForm_RecentFiles;
class TForm_Settings;
class TForm_Shortcuts;
class TForm_TextSpecifications;

// The windows created hidden at start-up, in their order of creation.
struct AppWindows {
    TForm_RecentFiles* recentFiles = nullptr;
    TForm_TextSpecifications* textSpecifications = nullptr;
    TForm_FindAndReplace* findAndReplace = nullptr;
    TForm_GoToLine* goToLine = nullptr;
    TForm_InsertCharacter* insertCharacter = nullptr;
    TForm_MyFiles* myFiles = nullptr;
    TForm_PrintOptions* printOptions = nullptr;
    TForm_Settings* settings = nullptr;
    TForm_Credits* credits = nullptr;
    TForm_FirstRun* firstRun = nullptr;
    TForm_Shortcuts* shortcuts = nullptr;
    TForm_About* about = nullptr;
    TForm_EditAutoWords* editAutoWords = nullptr;
};

// The main window: owns the editor, the document state and the program-wide values.
class TApp : public QMainWindow, private SettingsHost {
    Q_OBJECT
public:
    TApp(Services& services, QStringList arguments, QWidget* parent = nullptr);
    ~TApp() override;

    Services& services() const { return m_services; }
    Registry& registry() const;
    RichEdit& editor() const { return *RichEdit1; }
    EditorColumn& column() const { return *m_column; }
    StatusBar& statusBar1() const { return *StatusBar1; }
    StatusBar& statusBar3() const { return *StatusBar3; }
    DocumentStatistics& statistics() const { return *m_statistics; }
    // StatusBar1 docked at the bottom (else at the top).
    bool statusBarAtBottom() const { return m_statusBarAtBottom; }
    void dockStatusBar(bool bottom);
    // Set when full screen begins with the window maximized.
    bool& wasMaximized() { return m_wasMaximized; }
    // A maximize of the program's own (leaving full screen): unlike one by
    // the window frame or Maximize/Restore, it records no pre-maximize bounds.
    void maximizeKeepingBounds();
    ProgramValues& values() { return m_values; }
    // The program-wide options of the settings, as last loaded or stored.
    SettingsOptions& options() { return m_options; }
    const RegionalValues& regionalValues() const { return m_regional; }
    DocumentState& document() { return m_document; }
    // The copies of the unsaved document kept against a crash.
    RecoveryKeeper& recovery() const;
    // Offers the copies that programs which did not close cleanly left behind.
    void offerRecoveryCopies();
    TForm_RecoverDocuments* recoverWindow() const { return m_recoverWindow; }
    AppWindows& windows() { return m_windows; }
    SettingsHost& settingsHost() { return *this; }
    // The main window as the editing and view commands see it.
    EditingHost& editingHost() const { return *m_editingHost; }
    ViewHost& viewHost() const { return *m_viewHost; }
    AutoWordsHost& autoWordsHost() const { return *m_autoWordsHost; }
    // ComboBox1: the auto-word list at the caret.
    AutoWordList& autoWordList() const { return *ComboBox1; }
    FormatHost& formatHost() const { return *m_formatHost; }
    SetupHost& setupHost() const { return *m_setupHost; }
    // The format painter's memory, kept while the program runs.
    FormatMemory& formatMemory() { return m_formatMemory; }
    // The command line without the program name; at most the first two count.
    const QStringList& arguments() const { return m_arguments; }

    // Spell checking as the writer types (the View menu's switch and the editor menu's items).
    EditorSpelling& spelling() const { return *m_spelling; }
    void toggleSpelling();
    // Opens the editor pop-up menu (PopupMenu2) at a screen point, with the
    // spelling items of the word at a position of the document on top.
    void popupEditorMenu(QPoint screenPosition, int documentPosition);

    // The rest of start-up, run when the About window is created.
    void completeStartup();

    // ActionList1 and ActionList2, in table order.
    QAction* action(Command command) const { return m_actions[int(command)]; }
    // A command's own flags. Qt disables a hidden QAction, but a hidden
    // command keeps its enabled flag (a hidden Exit still quits on its key).
    bool commandEnabled(Command command) const { return m_enabled[int(command)]; }
    void setCommandEnabled(Command command, bool enabled);
    void setCommandVisible(Command command, bool visible);
    // Runs the command through the guard if it is enabled.
    void runCommand(Command command);
    // PopupMenu1 (margin) to PopupMenu5 (alternative).
    QMenu* popupMenu(int number) const { return m_popupMenus.at(number - 1); }
    bool menuAttached() const;
    // The enabled and checked states of the standard commands follow the focused
    // text control; while the menu bar has the keyboard, the one that had it before.
    void updateStandardCommands();
    // The control the standard commands act on: the focused one, or, while the
    // menu bar has the keyboard or the program has no active window, the one
    // that the user's keys reach.
    QWidget* commandFocus() const;
    // The shortcut dispatch, which tests ask what a key press stands for.
    const CommandDispatch& dispatch() const { return *m_dispatch; }

    // Runs work through the one guard; true when it ran to its end.
    bool guarded(const std::function<void()>& work);

    bool revertEnabled() const;
    void setRevertEnabled(bool enabled);

    // The last search text, kept while the program runs.
    QString& lastSearchText() { return m_lastSearchText; }

    // The message bar stands in for the status bar while a long operation runs.
    void showMessage(const QString& text);
    void setMessageText(const QString& text);
    void endMessage();
    // Every panel of the status bar, when it is shown (after Replace All).
    void refreshAllPanels();

    // Named steps of the features that build on the document.
    void applyDefaultFormat();
    void refreshStatePanel();
    void refreshFileTypePanel();
    void printFromCommandLine();
    void addToRecentFiles(const QString& fileName);
    // Whether the Open dialog offers Word files: a converter file is installed.
    bool convertersAvailable() const;
    // The Word converters, and what they are told about the program.
    Converters& converters() const { return *m_converters; }
    Converters::Caller converterCaller();
    // Writes the document as .docx, .odt or PDF for Save As.
    Exporter& exporter() { return *m_exporter; }

    // Set once the program has been asked to end without the close sequence ("/u").
    bool endRequested() const { return m_endRequested; }
    void requestEnd();

    // Loads the last of the dropped files, after the query save.
    void dropFiles(const QStringList& fileNames);
    void startNewWindow();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createCommands();
    void createMenus();
    void onSelectionChanged();
    void onFocusChanged(QWidget* now);
    void onMenuClosed();
    void showAbout();
    void formShow();
    void readCommandLine();
    void loadStartupFile();
    void onTextChanged();
    void onStatusBarClicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint globalPosition);
    void fillToolSlots();
    void versionCheck();
    void loadProgramSettings();
    void newDocumentFromDefaultType();
    void loadAutoWords();
    void uninstallRegistry();
    // The window geometry at close; a failure is told and never stops the close.
    void storeGeometryOnClose();
    void lookForOutsideChange();

    // What the settings ask of the main window.
    void setRunEnabled(bool enabled) override;
    void setEscToQuit(bool on) override;
    void setRecoveryEnabled(bool on) override;
    void refreshUntitledDocumentType() override;
    void associate(const QString& extension, const QString& fileClass) override;
    void removeAssociation(const QString& extension, const QString& fileClass) override;
    void addSendTo() override;
    void removeSendTo() override;
    bool desktopOpensWithUs(const QString& extension) override;
    void notifyAssociationsChanged() override;

    Services& m_services;
    QStringList m_arguments;
    ProgramValues m_values;
    DocumentState m_document;
    SettingsOptions m_options;
    RegionalValues m_regional;
    QString m_lastSearchText;
    AppWindows m_windows;
    RichEdit* RichEdit1 = nullptr;
    EditorColumn* m_column = nullptr;
    StatusBar* StatusBar1 = nullptr;
    StatusBar* StatusBar3 = nullptr;
    DocumentStatistics* m_statistics = nullptr;
    bool m_statusBarAtBottom = true;
    bool m_wasMaximized = false;
    // Set while the program applies stored geometry or maximizes for its own
    // reasons; what it sets must not be written back as pre-maximize bounds.
    bool m_restoring = false;
    std::array<QAction*, CommandCount> m_actions{};
    std::array<bool, CommandCount> m_enabled{};
    std::array<QMenu*, 5> m_popupMenus{};
    CommandDispatch* m_dispatch = nullptr;
    // The widget that had the focus before the menu bar took it.
    QPointer<QWidget> m_commandFocus;
    std::unique_ptr<EditingHost> m_editingHost;
    std::unique_ptr<ViewHost> m_viewHost;
    std::unique_ptr<AutoWordsHost> m_autoWordsHost;
    AutoWordList* ComboBox1 = nullptr;
    std::unique_ptr<FormatHost> m_formatHost;
    std::unique_ptr<SetupHost> m_setupHost;
    FormatMemory m_formatMemory;
    bool m_shownOnce = false;
    bool m_endRequested = false;
    bool m_lookingForOutsideChange = false;
    std::unique_ptr<Converters> m_converters;
    std::unique_ptr<Exporter> m_exporter;
    std::unique_ptr<RecoveryKeeper> m_recovery;
    TForm_RecoverDocuments* m_recoverWindow = nullptr;
    EditorSpelling* m_spelling = nullptr;
    void restoreSpelling();
};

}  // namespace qp
