#include "app/Applic.h"

#include "app/AppHosts.h"
#include "app/CommandDispatch.h"
#include "app/Tools_Other.h"
#include "app/document/Converters.h"
#include "app/document/Export.h"
#include "app/document/LongWork.h"
#include "app/document/Recovery.h"
#include "app/document/Window_RecoverDocuments.h"
#include "app/window/EditorColumn.h"
#include "app/window/Tools_Mainform.h"
#include "editing/AutoWordList.h"
#include "editing/EditCommands.h"
#include "editing/StandardCommands.h"
#include "editing/Tools_Statusbar.h"
#include "editing/ViewCommands.h"
#include "editor/DocumentStatistics.h"
#include "editor/RichEdit.h"
#include "files/Window_RecentFiles.h"
#include "help/Window_About.h"
#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "platform/Services.h"
#include "platform/ShellService.h"
#include "platform/WindowManagement.h"
#include "settings/FirstRun.h"
#include "settings/Window_FirstRun.h"
#include "settings/Window_Settings.h"
#include "spelling/EditorSpelling.h"
#include "store/Registry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace qp {

namespace {

// "docs/a.txt" becomes "/home/me/docs/a.txt". A name with ".." takes the
// file system's own resolution: folding ".." after a linked folder by hand
// would name another file.
QString absoluteFileName(const QString& name)
{
    const QString absolute = QFileInfo(name).absoluteFilePath();
    return absolute.contains(QLatin1String("/../")) && QFileInfo(absolute).isFile()
               ? QFileInfo(absolute).canonicalFilePath()
               : QDir::cleanPath(absolute);
}

QStringList droppedLocalFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

}  // namespace

TApp::TApp(Services& services, QStringList arguments, QWidget* parent)
    : QMainWindow(parent),
      m_services(services),
      m_arguments(std::move(arguments)),
      m_editingHost(makeEditingHost(*this)),
      m_viewHost(makeViewHost(*this)),
      m_autoWordsHost(makeAutoWordsHost(*this)),
      m_formatHost(makeFormatHost(*this)),
      m_setupHost(makeSetupHost(*this)),
      m_converters(std::make_unique<Converters>(services.paths.converterFolder)),
      m_exporter(std::make_unique<Exporter>(services.paths.converterFolder))
{
    setObjectName(QStringLiteral("TApp"));
    setWindowTitle(QString::fromLatin1(ProgramTitle));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    RichEdit1 = new RichEdit(central);
    m_statistics = new DocumentStatistics(*RichEdit1);
    m_column = new EditorColumn(RichEdit1, central);
    m_recovery = std::make_unique<RecoveryKeeper>(
        services.paths.recoveryFolder, RecoveryKeeper::delayFromEnvironment(),
        RecoveryKeeper::Source{[this] { return m_document.state == DocState::Modified; },
                               [this] { return DocumentSnapshot::of(*RichEdit1); },
                               [this] { return m_document.fileName; }});
    StatusBar1 = createStatusBar1(central);
    StatusBar3 = createStatusBar3(central);
    layout->addWidget(m_column, 1);
    layout->addWidget(StatusBar1);
    layout->addWidget(StatusBar3);
    setCentralWidget(central);
    ComboBox1 = new AutoWordList(*m_autoWordsHost, central);
    connect(ComboBox1, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { popupMenu(4)->popup(ComboBox1->mapToGlobal(at)); });
    connect(StatusBar1, &StatusBar::clicked, this, &TApp::onStatusBarClicked);
    connect(m_column, &EditorColumn::marginMenuRequested, this, [this](QPoint at) { popupMenu(1)->popup(at); });
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    m_spelling = new EditorSpelling(*RichEdit1, services.registry, services.paths.dictionaryFolder,
                                    services.paths.settingsFolder, this);
    connect(m_spelling, &EditorSpelling::failed, this,
            [this](const QString& message) { m_services.messages.error(message); });
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        // Shift+right click opens the alternative menu instead, from the mouse-down notification.
        if (!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier))
            popupEditorMenu(RichEdit1->viewport()->mapToGlobal(at), RichEdit1->cursorForPosition(at).position());
    });
    // The keyboard's menu keys open the editor menu at the caret, for the word there.
    RichEdit1->installEventFilter(this);
    connect(RichEdit1, &RichEdit::encodingFallback, this,
            [this](const QString& message) { m_services.messages.information(message); });
    connect(RichEdit1, &RichEdit::keyDown, this, [this](int key, Qt::KeyboardModifiers modifiers) { typingModeKey(*StatusBar1, key, modifiers); });
    connect(RichEdit1, &RichEdit::lineLayoutCompleted, this, [this] {
        if (!StatusBar1->isHidden()) {
            refreshLines(*StatusBar1, *RichEdit1);
            refreshPages(*StatusBar1, *RichEdit1, m_options.linesPerPage);
        }
    });
    // Files dropped on the editor open as documents instead of being inserted as text.
    RichEdit1->viewport()->installEventFilter(this);
    connect(RichEdit1, &RichEdit::editTextChanged, this, [this] { guarded([this] { onTextChanged(); }); });
    connect(RichEdit1, &RichEdit::editSelectionChanged, this, [this] { guarded([this] { onSelectionChanged(); }); });
    connect(RichEdit1, &RichEdit::characterTyped, this, [this](QChar character, bool* swallow) {
        guarded([&] { onCharacterTyped(*m_editingHost, character, swallow); });
    });
    connect(RichEdit1, &RichEdit::mouseDown, this,
            [this](Qt::MouseButton button, QPoint position, Qt::KeyboardModifiers modifiers) {
                guarded([&] { onEditorMouseDown(*m_editingHost, button, position, modifiers); });
            });

    createCommands();
    createMenus();
    m_dispatch = new CommandDispatch(*this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { onFocusChanged(now); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateStandardCommands(); });

    // The creation step, before the window is shown.
    m_values.fullScreen = false;
    m_options.linesPerPage = 10;
    m_options.autoIndent = true;
    m_regional = systemRegionalValues();
    m_values.versionText = QString::fromLatin1(VersionText);
    guarded([this] { applyBeforeMaxBounds(*this); });
    fillToolSlots();
}

void TApp::setRecoveryEnabled(bool on)
{
    m_recovery->setEnabled(on);
}

RecoveryKeeper& TApp::recovery() const
{
    return *m_recovery;
}

TApp::~TApp()
{
    // The windows closing as the main window goes must not reach its commands.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
}

void TApp::createCommands()
{
    for (const CommandRow& row : commandTable()) {
        auto* action = new QAction(QString::fromUtf8(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.name));
        if (*row.shortcut) {
            // Shown in menus only: the program's own dispatch runs the key.
            action->setShortcut(QKeySequence::fromString(QString::fromLatin1(row.shortcut), QKeySequence::PortableText));
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        action->setCheckable(row.flags & Checkable);
        action->setChecked((row.flags & StartsChecked) == StartsChecked);
        m_actions[int(row.command)] = action;
        setCommandEnabled(row.command, !(row.flags & StartsDisabled));
        setCommandVisible(row.command, !(row.flags & StartsHidden));
        const Command command = row.command;
        connect(action, &QAction::triggered, this, [this, action, command](bool checked) {
            // A menu click flips a checkable item before it reports; the
            // command decides the check mark itself.
            if (action->isCheckable())
                action->setChecked(!checked);
            runCommand(command);
        });
    }
}

void TApp::setCommandEnabled(Command command, bool enabled)
{
    m_enabled[int(command)] = enabled;
    action(command)->setEnabled(enabled);
}

void TApp::setCommandVisible(Command command, bool visible)
{
    QAction* target = action(command);
    target->setVisible(visible);
    // Showing an action enables it in Qt; the command's own flag decides.
    target->setEnabled(m_enabled[int(command)]);
}

void TApp::createMenus()
{
    auto fill = [this](QMenu* menu, const MenuLayout& layout) {
        for (const MenuItem& item : layout.items) {
            if (item.command == Command::Count)
                menu->addSeparator();
            else
                menu->addAction(action(item.command));
        }
    };
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    for (const MenuLayout& layout : mainMenuLayout()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(layout.title));
        menu->setObjectName(QString::fromLatin1(layout.name));
        fill(menu, layout);
    }
    // Whenever a menu shows, its items show the states of the text the user works on.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
        connect(menu, &QMenu::aboutToShow, this, [this] { updateStandardCommands(); });
        connect(menu, &QMenu::aboutToHide, this, [this] {
            // Qt hands the keyboard to the menu bar only after the menu has gone.
            QTimer::singleShot(0, this, [this] { onMenuClosed(); });
        });
    }
    QMenu* help = menuBar()->findChild<QMenu*>(QStringLiteral("Help"));
    QAction* about = help->addAction(QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("About1"));
    connect(about, &QAction::triggered, this, [this] { guarded([this] { showAbout(); }); });

    int number = 1;
    for (const MenuLayout& layout : popupMenuLayouts()) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(layout.name));
        fill(menu, layout);
        connect(menu, &QMenu::aboutToShow, this, [this] { updateStandardCommands(); });
        m_popupMenus[number++ - 1] = menu;
    }
}

bool TApp::menuAttached() const
{
    return isMenuAttached(*this);
}

void TApp::runCommand(Command command)
{
    updateStandardCommands();
    if (!commandEnabled(command))
        return;
    if (const CommandHandler handler = commandRow(command).handler)
        guarded([this, handler] { handler(*this); });
    // A style or alignment change is no selection change; the check marks follow it here.
    updateStandardCommands();
}

void TApp::onFocusChanged(QWidget* now)
{
    if (now && !qobject_cast<QMenuBar*>(now) && !qobject_cast<QMenu*>(now))
        m_commandFocus = now;
    updateStandardCommands();
}

// A menu closed without running a command (Esc, a click elsewhere) leaves the
// keyboard with the menu bar; it goes back to where the user was typing, so
// that letters type again and the next Esc is the program's.
void TApp::onMenuClosed()
{
    if (QApplication::activePopupWidget() || !menuBar()->hasFocus())
        return;
    QWidget* target = m_commandFocus && m_commandFocus->window() == this ? m_commandFocus.data() : RichEdit1;
    target->setFocus(Qt::OtherFocusReason);
}

QWidget* TApp::commandFocus() const
{
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QMenuBar*>(focus) || qobject_cast<QMenu*>(focus)
        || (!focus && QApplication::activePopupWidget()))
        return m_commandFocus;
    if (focus)
        return focus;
    // A window re-created for new flags (full screen, Stay on Top) is without
    // the program's focus until the window manager hands it back, while the
    // keys already reach the control that had it: the commands act there.
    if (QWidget* own = focusWidget())
        return own;
    return RichEdit1;
}

void TApp::updateStandardCommands()
{
    const StandardState state = standardState(commandFocus(), clipboardHasText());
    auto set = [this](Command command, bool enabled, bool checked = false) {
        setCommandEnabled(command, enabled);
        QAction* a = action(command);
        if (a->isCheckable())
            a->setChecked(enabled && checked);
    };
    set(Command::EditUndo1, state.canUndo);
    set(Command::EditRedo1, state.canRedo);
    set(Command::EditCut1, state.hasSelection);
    set(Command::EditCopy1, state.hasSelection);
    set(Command::EditPaste1, state.textControl && clipboardHasText());
    set(Command::EditSelectAll1, state.hasText);
    set(Command::RichEditBold1, state.richEdit, state.bold);
    set(Command::RichEditItalic1, state.richEdit, state.italic);
    set(Command::RichEditUnderline1, state.richEdit, state.underline);
    set(Command::RichEditAlignLeft1, state.richEdit, state.alignment == Qt::AlignLeft);
    set(Command::RichEditAlignRight1, state.richEdit, state.alignment == Qt::AlignRight);
    set(Command::RichEditAlignCenter1, state.richEdit, state.alignment == Qt::AlignHCenter);
}

void TApp::onSelectionChanged()
{
    if (!StatusBar1->isHidden()) {
        refreshCounts(*StatusBar1, *m_statistics);
        refreshCaretPosition(*StatusBar1, *RichEdit1);
        refreshCharacterCode(*StatusBar1, *RichEdit1, *m_statistics);
    }
    const bool selection = RichEdit1->selLength() > 0;
    setCommandEnabled(Command::Search_FindSelection, selection);
    setCommandEnabled(Command::Edit_ChangeCase, selection);
    setCommandEnabled(Command::Format_RemoveFormat, selection);
    action(Command::File_Print)->setText(selection ? QStringLiteral("&Print Selection...") : QStringLiteral("&Print..."));
    updateStandardCommands();
}

void TApp::showAbout()
{
    if (m_windows.about)
        m_windows.about->showDialog();
}

Registry& TApp::registry() const
{
    return m_services.registry;
}

bool TApp::guarded(const std::function<void()>& work)
{
    return runGuarded(m_services.messages, work);
}

void TApp::requestEnd()
{
    m_endRequested = true;
    // Takes effect as soon as the event loop runs, so start-up still completes;
    // exit, not quit, so that no close sequence runs and nothing is stored.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

void TApp::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    guarded([this] { formShow(); });
}

// The showing step restores the stored view in a fixed order, then reads the command line.
void TApp::formShow()
{
    m_restoring = true;
    const auto restored = qScopeGuard([this] { m_restoring = false; });
    restoreWritersMode(*m_viewHost);
    restoreWindowGeometry(*this);
    restoreEditorColumn(*this);
    restoreStatusBarPosition(*m_viewHost);
    restoreStatusBarShown(*m_viewHost);
    restoreWordWrap(*m_viewHost);
    restoreScrollBars(*m_viewHost);
    restoreBasicStatusBar(*m_viewHost);
    restoreSpelling();
    setUpOpenDialogFilter(*this);
    setAcceptDrops(true);
    readCommandLine();
}

void TApp::readCommandLine()
{
    const QString first = m_arguments.value(0);
    // A name is kept absolute, so that Recent Files and the programs the
    // document is handed to find it from any folder. A name that opens no
    // file still goes to the load, which says so; options are left alone.
    const bool isOption = first.startsWith(QLatin1Char('-')) || first == QLatin1String("/u");
    m_values.loadAtStart = !first.isEmpty() && !isOption;
    m_values.startupFile = m_values.loadAtStart ? absoluteFileName(first) : QString();
    if (first == QLatin1String("/u")) {
        uninstallRegistry();
        requestEnd();
    }
}

void TApp::loadStartupFile()
{
    const QString& name = m_values.startupFile;
    // Bytes of a name that are not UTF-8 do not survive into a Qt string, and
    // no file answers to what is left; "renamed, deleted or moved" would mislead.
    if (name.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(name)) {
        m_services.messages.information(
            QStringLiteral("This file can not be opened: its name is not valid UTF-8.\r%1\rRename the file and open it again.")
                .arg(name));
        return;
    }
    loadNamedFile(*this, name);
}

void TApp::completeStartup()
{
    // An error here ends the remaining steps; the other windows are still created.
    guarded([this] {
        versionCheck();
        applyDefaultFormat();
        setDocState(*this, DocState::New);
        loadProgramSettings();
        restoreStayOnTop(*this);
        newDocumentFromDefaultType();
        // The empty document is counted from the start, not after its first edit.
        if (!StatusBar1->isHidden())
            refreshAllPanels();
        loadAutoWords();
        if (!m_services.paths.programFile(QStringLiteral("Help.htm")).isEmpty())
            setCommandVisible(Command::Help_Documentation, true);
        if (m_values.loadAtStart)
            loadStartupFile();
        setRevertEnabled(false);
    });
    // Copies of documents a crash left unsaved, offered once the window is up.
    if (!m_endRequested && m_arguments.value(1) != QLatin1String("-p"))
        QTimer::singleShot(0, this, [this] { offerRecoveryCopies(); });
}

void TApp::onTextChanged()
{
    if (!StatusBar1->isHidden()) {
        refreshCounts(*StatusBar1, *m_statistics);
        refreshLines(*StatusBar1, *RichEdit1);
        refreshPages(*StatusBar1, *RichEdit1, m_options.linesPerPage);
        refreshCaretPosition(*StatusBar1, *RichEdit1);
    }
    setDocState(*this, DocState::Modified);
    if (!m_document.fileName.isEmpty())
        setRevertEnabled(true);
}

void TApp::closeEvent(QCloseEvent* event)
{
    // Only the unsaved-document question may keep the window open; a store
    // that cannot be written (read-only folder, no home, full disk) is told
    // once and the program closes all the same.
    if (!guarded([this] { querySave(*this); })) {
        event->ignore();
        return;
    }
    // A clean close: the document was saved or let go, and its copy goes with it.
    m_recovery->finish();
    if (!m_values.fullScreen)
        storeGeometryOnClose();
    event->accept();
    // The hidden windows must not keep the program alive, nor be asked to close
    // again. Before the event loop runs (printing from the command line closes
    // the window during start-up) exit does nothing, so it waits for the loop.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

void TApp::lookForOutsideChange()
{
    // A load under way is not interrupted by a question about the file before it.
    if (m_lookingForOutsideChange || !isActiveWindow() || LongWork::busy())
        return;
    const QScopedValueRollback busy(m_lookingForOutsideChange, true);
    guarded([this] { checkOutsideChange(*this); });
}

void TApp::offerRecoveryCopies()
{
    const QList<RecoveryCopy> copies = RecoveryKeeper::leftBehind(m_services.paths.recoveryFolder);
    if (copies.isEmpty())
        return;
    if (!m_recoverWindow) {
        RecoverDocumentsHost host;
        host.open = [this](const RecoveryCopy& copy) { return guarded([&] { openRecoveryCopy(*this, copy); }); };
        host.confirm = [this](const QString& question) {
            return m_services.messages.confirm(question, Buttons::YesNo) == Answer::Yes;
        };
        m_recoverWindow = new TForm_RecoverDocuments(std::move(host), this);
    }
    m_recoverWindow->showCopies(copies);
}

void TApp::storeGeometryOnClose()
{
    try {
        storeWindowGeometry(*this);
    } catch (const StoreWriteError& failure) {
        m_services.messages.error(
            QStringLiteral("The settings could not be saved to \"%1\": %2.\rQuillpress closes without them.")
                .arg(QDir::toNativeSeparators(failure.path()), failure.reason()));
    } catch (const AppError& failure) {
        m_services.messages.error(failure.message() + QStringLiteral("\rQuillpress closes without saving its settings."));
    }
}

void TApp::dropFiles(const QStringList& fileNames)
{
    if (fileNames.isEmpty())
        return;
    guarded([&] {
        querySave(*this);
        raise();
        activateWindow();
        loadNamedFile(*this, fileNames.last());
    });
}

void TApp::startNewWindow()
{
    guarded([this] { m_services.shell.startProgramCopy(); });
}

void TApp::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedLocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TApp::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedLocalFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    dropFiles(files);
}

bool TApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            guarded([this] { popupStandard(*m_editingHost); });
            return true;
        }
    }
    if (watched == RichEdit1 && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        guarded([this] { popupStandard(*m_editingHost); });
        return true;
    }
    if (watched == RichEdit1->viewport() && acceptDrops()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!droppedLocalFiles(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList files = droppedLocalFiles(drop->mimeData());
            if (!files.isEmpty()) {
                drop->acceptProposedAction();
                dropFiles(files);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TApp::popupEditorMenu(QPoint screenPosition, int documentPosition)
{
    QMenu* menu = popupMenu(2);
    m_spelling->prepareMenu(*menu, documentPosition);
    menu->popup(screenPosition);
}

void TApp::toggleSpelling()
{
    m_spelling->toggle();
    action(Command::View_CheckSpelling)->setChecked(m_spelling->isEnabled());
}

// On where a dictionary exists, unless switched off; without one the entry says why.
void TApp::restoreSpelling()
{
    QAction* entry = action(Command::View_CheckSpelling);
    if (!m_spelling->isAvailable()) {
        setCommandEnabled(Command::View_CheckSpelling, false);
        // The menu bar has no status line of its own: the reason shows as the item's tip.
        if (QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("View")))
            view->setToolTipsVisible(true);
        entry->setToolTip(m_spelling->unavailableReason());
        entry->setStatusTip(m_spelling->unavailableReason());
        entry->setChecked(false);
        return;
    }
    m_spelling->restore();
    entry->setChecked(m_spelling->isEnabled());
}

// Steps of start-up whose features come later; each stays a named step so the order holds.
void TApp::fillToolSlots()
{
    qp::fillToolSlots(*this);
}
void TApp::versionCheck()
{
    // "/u" has already ended the program; the Setup window would only flash.
    if (!m_endRequested)
        m_windows.firstRun->versionCheck();
}
void TApp::applyDefaultFormat()
{
    qp::applyDefaultFormat(*RichEdit1, registry());
    // At start-up and on New the document is empty: formatting it is no edit to undo.
    if (RichEdit1->textLength() == 0)
        RichEdit1->clearUndo();
}

void TApp::refreshStatePanel()
{
    qp::refreshStatePanel(*StatusBar1, int(m_document.state));
}

void TApp::refreshFileTypePanel()
{
    qp::refreshFileTypePanel(*StatusBar1, m_document.fileTypeLabel);
}

void TApp::showMessage(const QString& text)
{
    StatusBar3->setPanelText(0, text);
    StatusBar1->hide();
    auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
    layout->removeWidget(StatusBar3);
    layout->insertWidget(m_statusBarAtBottom ? layout->count() : 0, StatusBar3);
    StatusBar3->show();
}

void TApp::setMessageText(const QString& text)
{
    StatusBar3->setPanelText(0, text);
}

void TApp::endMessage()
{
    StatusBar3->hide();
    StatusBar1->show();
}

void TApp::refreshAllPanels()
{
    refreshCounts(*StatusBar1, *m_statistics);
    refreshCaretPosition(*StatusBar1, *RichEdit1);
    refreshCharacterCode(*StatusBar1, *RichEdit1, *m_statistics);
    refreshLines(*StatusBar1, *RichEdit1);
    refreshPages(*StatusBar1, *RichEdit1, m_options.linesPerPage);
    refreshStatePanel();
}

void TApp::dockStatusBar(bool bottom)
{
    m_statusBarAtBottom = bottom;
    auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
    layout->removeWidget(StatusBar1);
    layout->insertWidget(bottom ? layout->indexOf(m_column) + 1 : 0, StatusBar1);
    StatusBar1->setSizeGripShown(bottom);
}

void TApp::onStatusBarClicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint globalPosition)
{
    if (button == Qt::RightButton) {
        popupMenu(3)->popup(globalPosition);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    runCommand((modifiers & Qt::ShiftModifier) ? Command::View_StatusBarPos : Command::View_BasicStatusbar);
}

void TApp::maximizeKeepingBounds()
{
    const QScopedValueRollback<bool> restoring(m_restoring, true);
    showMaximized();
}

void TApp::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Coming back to the window is when a change made by another program is
    // looked for; after the event, so that a question does not nest inside it.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_shownOnce)
        QTimer::singleShot(0, this, [this] { lookForOutsideChange(); });
    if (event->type() != QEvent::WindowStateChange || m_restoring)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    // A maximize by the window frame records the bounds it leaves.
    if (isMaximized() && !(change->oldState() & Qt::WindowMaximized) && !m_values.fullScreen)
        guarded([this] { storeBeforeMaxBounds(*this); });
}
void TApp::printFromCommandLine()
{
    // The window closes afterwards whether the job printed or not.
    runCommand(Command::File_Print);
}
void TApp::addToRecentFiles(const QString& fileName)
{
    if (m_windows.recentFiles)
        m_windows.recentFiles->addDocument(fileName);
    m_services.shell.addRecentDocument(fileName);
}
bool TApp::convertersAvailable() const
{
    return m_converters->available();
}

Converters::Caller TApp::converterCaller()
{
    return {m_services.messages, quintptr(winId()), m_services.paths.programPath};
}

void TApp::associate(const QString& extension, const QString& fileClass)
{
    qp::associate(m_services.registry, extension, fileClass, m_services.paths.programPath);
    for (const QString& mimeType : mimeTypesOfExtension(extension))
        m_services.shell.setDefaultHandler(mimeType, true);
}

void TApp::removeAssociation(const QString& extension, const QString& fileClass)
{
    qp::removeAssociation(m_services.registry, extension, fileClass);
    for (const QString& mimeType : mimeTypesOfExtension(extension))
        m_services.shell.setDefaultHandler(mimeType, false);
}

bool TApp::desktopOpensWithUs(const QString& extension)
{
    const QStringList types = mimeTypesOfExtension(extension);
    return std::all_of(types.cbegin(), types.cend(),
                       [this](const QString& type) { return m_services.shell.isDefaultHandler(type); });
}

void TApp::addSendTo()
{
    qp::addSendTo(m_services.registry, m_services.paths.programPath);
    m_services.shell.setSendToEntry(true);
}

void TApp::removeSendTo()
{
    qp::removeSendTo(m_services.registry);
    m_services.shell.setSendToEntry(false);
}

void TApp::notifyAssociationsChanged()
{
    m_services.shell.notifyAssociationsChanged();
}

void TApp::setRunEnabled(bool enabled)
{
    setCommandEnabled(Command::Other_Run, enabled);
}

void TApp::setEscToQuit(bool on)
{
    setCommandEnabled(Command::File_ExitEsc, on);
    setCommandVisible(Command::File_ExitEsc, on);
    setCommandEnabled(Command::File_Exit, !on);
    setCommandVisible(Command::File_Exit, !on);
}

void TApp::refreshUntitledDocumentType()
{
    if (m_document.fileName.isEmpty())
        applyNewDocumentType(*this);
}

bool TApp::revertEnabled() const
{
    return commandEnabled(Command::File_Revert);
}

void TApp::setRevertEnabled(bool enabled)
{
    setCommandEnabled(Command::File_Revert, enabled);
}

void TApp::loadProgramSettings()
{
    m_windows.settings->loadSettings();
}
void TApp::loadAutoWords()
{
    restoreAutoWords(*m_autoWordsHost, *ComboBox1);
}

void TApp::newDocumentFromDefaultType()
{
    applyNewDocumentType(*this);
}

// The silent uninstall of "/u".
void TApp::uninstallRegistry()
{
    registryUninstall(m_services.registry, *this, *m_setupHost, m_services.messages, true);
}

}  // namespace qp
