// The Find and Replace window on its own, with a main window that records
// what is asked of it: layout, field menus, the message bar around Replace
// All and the remembered position.
#include "editing/Window_FindAndReplace.h"

#include "support/Fakes.h"

#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "store/Registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace qp;

namespace {

// Boxes go into the same log as the main window's calls, so their order shows.
class LoggingMessages : public test::FakeMessageService {
public:
    explicit LoggingMessages(QStringList& log) : m_log(log) {}
    void information(const QString& text) override
    {
        m_log << "box: " + text;
        FakeMessageService::information(text);
    }

private:
    QStringList& m_log;
};

class RecordingHost : public SearchHost {
public:
    RecordingHost(RichEdit& editor, MessageService& messages, Registry& registry, QStringList& log)
        : m_editor(editor), m_messages(messages), m_registry(registry), m_log(log)
    {
    }
    RichEdit& editor() override { return m_editor; }
    MessageService& messages() override { return m_messages; }
    QString& lastSearchText() override { return lastSearch; }
    void enableFindNext() override { m_log << "enableFindNext"; }
    bool statusBarVisible() override { return barVisible; }
    bool statusBarSwitchedOn() override { return barOn; }
    void showMessage(const QString& text) override { m_log << "showMessage: " + text; }
    void setMessageText(const QString& text) override { m_log << "setMessageText: " + text; }
    void endMessage() override { m_log << "endMessage"; }
    void refreshAllPanels() override { m_log << "refreshAllPanels"; }
    bool guarded(const std::function<void()>& work) override { return runGuarded(m_messages, work); }
    Registry& registry() override { return m_registry; }
    bool rememberDialogPosition() override { return remember; }
    QRect mainWindowFrame() override { return frame; }

    QString lastSearch;
    bool barVisible = true;
    bool barOn = true;
    bool remember = false;
    QRect frame{200, 100, 1000, 700};

private:
    RichEdit& m_editor;
    MessageService& m_messages;
    Registry& m_registry;
    QStringList& m_log;
};

class FindAndReplaceWindow : public ::testing::Test {
protected:
    FindAndReplaceWindow() : registry(folder.path()), messages(log)
    {
        auto recording = std::make_unique<RecordingHost>(editor, messages, registry, log);
        host = recording.get();
        dialog = new TForm_FindAndReplace(std::move(recording), &parent);
        editor.setWordWrap(false);
    }
    ~FindAndReplaceWindow() override { dialog->hide(); }

    template <typename T>
    T* child(const char* name) const
    {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    QLineEdit* findField() const { return child<QLineEdit>("Edit1"); }
    QLineEdit* replaceField() const { return child<QLineEdit>("Edit2"); }

    void open()
    {
        dialog->showDialog();
        QApplication::setActiveWindow(dialog);
        QCoreApplication::processEvents();
    }

    QTemporaryDir folder;
    Registry registry;
    QStringList log;
    LoggingMessages messages;
    QWidget parent;
    RichEdit editor;
    RecordingHost* host = nullptr;
    TForm_FindAndReplace* dialog = nullptr;
};

TEST_F(FindAndReplaceWindow, ControlsInTheirPlacesAndTabOrder)
{
    open();
    EXPECT_EQ(dialog->windowTitle(), "Find and Replace");
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->parentWidget(), &parent) << "a window of the main window stays above it";

    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels, (QStringList{"Find:", "Replace with:"}));
    EXPECT_EQ(dialog->findChild<QGroupBox*>()->title(), " Options ");
    EXPECT_EQ(child<QCheckBox>("CheckBox1")->text(), "&Match Case");
    EXPECT_EQ(child<QCheckBox>("CheckBox2")->text(), "W&hole Word");
    EXPECT_FALSE(child<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("CheckBox2")->isChecked());
    QStringList buttons;
    for (const char* name : {"Button1", "Button2", "Button3", "Button4"})
        buttons << child<QPushButton>(name)->text();
    EXPECT_EQ(buttons, (QStringList{"&Find First", "Find &Next", "&Replace", "Replace &All"}));
    EXPECT_TRUE(child<QPushButton>("Button2")->isDefault());

    // Top to bottom: fields, options, buttons; nothing cut off, and a fixed size.
    EXPECT_LT(findField()->geometry().bottom(), replaceField()->geometry().top());
    EXPECT_LT(replaceField()->geometry().bottom(), dialog->findChild<QGroupBox*>()->geometry().top());
    EXPECT_LT(dialog->findChild<QGroupBox*>()->geometry().bottom(), child<QPushButton>("Button1")->geometry().top());
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        const QRect inDialog(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(dialog->rect().contains(inDialog)) << widget->objectName().toStdString();
        EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << widget->objectName().toStdString();
        EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << widget->objectName().toStdString();
    }
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());

    QStringList order;
    QWidget* widget = findField();
    do {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible())
            widget = widget->nextInFocusChain();
    } while (widget != findField() && order.size() < 20);
    EXPECT_EQ(order, (QStringList{"Edit1", "Edit2", "Button2", "Button3", "Button4", "Button1", "CheckBox1", "CheckBox2"}));
}

TEST_F(FindAndReplaceWindow, OpeningFillsTheFindFieldFromTheSelectionOrTheLastSearch)
{
    editor.setText("one two three");
    host->lastSearch = "last";
    open();
    EXPECT_EQ(findField()->text(), "last");
    EXPECT_EQ(findField()->selectedText(), "last");
    EXPECT_EQ(dialog->focusWidget(), findField());

    // Showing it again while open changes nothing; closing and opening refills it.
    editor.setSelection(4, 3);
    findField()->setText("typed");
    open();
    EXPECT_EQ(findField()->text(), "typed");
    dialog->close();
    open();
    EXPECT_EQ(findField()->text(), "two");
    EXPECT_EQ(findField()->selectedText(), "two");
}

struct MenuCase {
    const char* name;
    bool findFieldFocused;
    const char* entry;
    const char* findText;
    const char* replaceText;
};

class FieldMenu : public FindAndReplaceWindow, public ::testing::WithParamInterface<MenuCase> {};

// The insert entries write into the Find field when it has the focus, else
// into the Replace field, over that field's selection.
TEST_P(FieldMenu, InsertEntriesPutTheirCodeIntoTheFocusedField)
{
    const MenuCase& c = GetParam();
    open();
    findField()->setText("ab");
    findField()->setSelection(1, 1);
    replaceField()->setText("xy");
    replaceField()->setSelection(0, 1);
    QLineEdit* focused = c.findFieldFocused ? findField() : replaceField();
    focused->setFocus();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), focused->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(focused, &event);

    auto* menu = focused->findChild<QMenu*>("FieldMenu");
    ASSERT_TRUE(menu);
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(entries, (QStringList{"&Undo", "-", "Cu&t", "&Copy", "&Paste", "-", "Select &All", "-",
                                    "Insert &Paragraph Character", "Insert &Tab Character"}));
    for (QAction* action : menu->actions()) {
        if (action->text() == QLatin1String(c.entry))
            action->trigger();
    }
    menu->close();
    EXPECT_EQ(findField()->text(), c.findText);
    EXPECT_EQ(replaceField()->text(), c.replaceText);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, FieldMenu,
    ::testing::Values(MenuCase{"ParagraphIntoFind", true, "Insert &Paragraph Character", "a^p", "xy"},
                      MenuCase{"TabIntoFind", true, "Insert &Tab Character", "a^t", "xy"},
                      MenuCase{"ParagraphIntoReplace", false, "Insert &Paragraph Character", "ab", "^py"},
                      MenuCase{"TabIntoReplace", false, "Insert &Tab Character", "ab", "^ty"}),
    [](const ::testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

TEST_F(FindAndReplaceWindow, ReplaceAllShowsTheMessageBarAndRefreshesTheStatusBarOnce)
{
    editor.setText("a b a c a");
    open();
    findField()->setText("a");
    replaceField()->setText("aa");
    log.clear();
    QTest::mouseClick(child<QPushButton>("Button4"), Qt::LeftButton);
    EXPECT_EQ(log, (QStringList{"showMessage: Replacing...", "setMessageText: Ready", "box: 3 replacements maked.",
                                "refreshAllPanels", "endMessage"}));
    EXPECT_EQ(editor.text(), "aa b aa c aa");
    EXPECT_EQ(host->lastSearch, "a");
}

TEST_F(FindAndReplaceWindow, ReplaceAllWithTheStatusBarOffLeavesTheBarsAlone)
{
    editor.setText("abc");
    host->barVisible = false;
    host->barOn = false;
    open();
    findField()->setText("x");
    log.clear();
    dialog->replaceAll();
    EXPECT_EQ(log, (QStringList{"setMessageText: Ready", "box: 0 replacements maked."}));
}

TEST_F(FindAndReplaceWindow, ThePositionIsWrittenOnCloseAndRestoredWhenRemembered)
{
    auto stored = [this](const char* name) {
        const std::optional<RegKey> key = RegKey::openSettingsRead(registry, QStringLiteral("FindAndReplace"));
        return key ? key->readInteger(QLatin1String(name), -1) : -1;
    };
    open();
    dialog->move(321, 234);
    const QPoint written = dialog->frameGeometry().topLeft();
    dialog->close();
    EXPECT_EQ(stored("Position_Left"), written.x());
    EXPECT_EQ(stored("Position_Top"), written.y());

    // Off: centred on the main window.
    open();
    const QRect frame = dialog->frameGeometry();
    EXPECT_EQ(frame.left(), 200 + 1000 / 2 - frame.width() / 2);
    EXPECT_EQ(frame.top(), 100 + 700 / 2 - frame.height() / 2);

    // Losing activation writes it too.
    dialog->move(111, 122);
    const QPoint moved = dialog->frameGeometry().topLeft();
    QApplication::setActiveWindow(&parent);
    QCoreApplication::processEvents();
    EXPECT_EQ(stored("Position_Left"), moved.x());

    dialog->close();
    host->remember = true;
    dialog->move(0, 0);
    open();
    EXPECT_EQ(dialog->frameGeometry().topLeft(), moved);
}

}  // namespace
