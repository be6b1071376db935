// The Text Specifications window in the running program: opened with its
// key, filled from the selection on every activation, applying what the user
// changes and storing its values as the default format.
#include "format/Window_TextSpecifications.h"

#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editor/RichEdit.h"
#include "store/Registry.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>

#include <functional>

using namespace qp;
using namespace qp::test;

namespace {

QList<int> stopsEvery(int spacing)
{
    QList<int> stops;
    for (int k = 1; k <= 32; ++k)
        stops << k * spacing;
    return stops;
}

// Tab stops in the whole points the program works in.
QList<int> whole(const QList<qreal>& stops)
{
    QList<int> result;
    for (const qreal stop : stops)
        result << wholePoints(stop);
    return result;
}

class TextSpecifications : public AppFixture {
public:
    using AppFixture::processEvents;

protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
        processEvents();
    }

public:
    TForm_TextSpecifications* dialog() { return app().windows().textSpecifications; }

    template <typename T>
    T* child(const char* name)
    {
        T* widget = dialog()->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    QComboBox* nameBox() { return child<QComboBox>("ComboBox1"); }
    QComboBox* sizeBox() { return child<QComboBox>("ComboBox2"); }
    QCheckBox* boldBox() { return child<QCheckBox>("CheckBox1"); }
    QComboBox* tabBox() { return child<QComboBox>("ComboBox3"); }

    // Ctrl+H from the editor; the window becomes the active one, as the window manager would make it.
    void open()
    {
        press(QKeySequence("Ctrl+H"));
        QApplication::setActiveWindow(dialog());
        processEvents();
    }
    // Back to the main window, as a click on it would.
    void backToEditor()
    {
        QApplication::setActiveWindow(&app());
        editor().setFocus();
        processEvents();
    }

    // Text in runs of their own face, size and bold.
    struct Run {
        const char* text;
        const char* face;
        qreal size;
        bool bold;
    };
    void write(std::initializer_list<Run> runs)
    {
        int start = 0;
        QString all;
        for (const Run& run : runs)
            all += QString::fromUtf8(run.text);
        editor().setText(all);
        for (const Run& run : runs) {
            const int length = int(qstrlen(run.text));
            editor().setSelection(start, length);
            CharFormat f;
            f.fontName = run.face;
            f.sizePoints = run.size;
            f.styles.setFlag(FontStyle::Bold, run.bold);
            editor().setSelectionCharFormat(f, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold);
            start += length;
        }
    }
    CharFormat charsAt(int start, int length)
    {
        const int oldStart = editor().selStart();
        const int oldLength = editor().selLength();
        editor().setSelection(start, length);
        const CharFormat f = editor().selectionCharFormat();
        editor().setSelection(oldStart, oldLength);
        return f;
    }
    ParagraphFormat paragraphAt(int pos)
    {
        const int oldStart = editor().selStart();
        const int oldLength = editor().selLength();
        editor().setSelection(pos, 0);
        const ParagraphFormat f = editor().selectionParagraphFormat();
        editor().setSelection(oldStart, oldLength);
        return f;
    }
    // Clicks a control as the mouse would, which also gives it the focus.
    void click(QWidget* control)
    {
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
        processEvents();
    }
    std::optional<RegKey> stored() { return RegKey::openSettingsRead(registry(), "TextSpecifications"); }
};

TEST_F(TextSpecifications, ControlsCaptionsAndKeyboardOrder)
{
    open();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_EQ(dialog()->windowTitle(), "Text Specifications");
    EXPECT_FALSE(dialog()->isModal());
    EXPECT_TRUE(dialog()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog()->minimumSize(), dialog()->maximumSize()) << "fixed size";

    QStringList groups;
    for (const QGroupBox* group : dialog()->findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, (QStringList{" Font ", " Format ", " Tabs "}));
    QStringList labels;
    for (const QLabel* label : dialog()->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels, (QStringList{"Name:", "Size: ", "Tab size:"}));
    QStringList buttons;
    for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3", "RadioButton1", "RadioButton2", "RadioButton3",
                             "Button1", "Button2"})
        buttons << child<QAbstractButton>(name)->text();
    EXPECT_EQ(buttons, (QStringList{"&Bold", "&Italic", "&Underline", "Align &Left", "Align &Right", "&Center", "&OK",
                                    "&Default"}));
    EXPECT_TRUE(child<QPushButton>("Button1")->isDefault());

    QStringList sizes;
    for (int i = 0; i < sizeBox()->count(); ++i)
        sizes << sizeBox()->itemText(i);
    EXPECT_EQ(sizes, (QStringList{"8", "9", "10", "11", "12", "14", "16", "18", "20", "24"}));
    EXPECT_EQ(sizeBox()->maxVisibleItems(), 10);
    QStringList tabs;
    for (int i = 0; i < tabBox()->count(); ++i)
        tabs << tabBox()->itemText(i);
    EXPECT_EQ(tabs, (QStringList{"10", "20", "30", "40", "50", "60", "Default"}));

    // The installed families and "Default", sorted, with the faces shown through a substitute.
    QStringList names;
    for (int i = 0; i < nameBox()->count(); ++i)
        names << nameBox()->itemText(i);
    EXPECT_TRUE(names.contains("Default"));
    EXPECT_TRUE(names.contains("Liberation Mono"));
    EXPECT_TRUE(names.contains("Courier New"));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(QStringList(names).size(), QSet<QString>(names.begin(), names.end()).size()) << "each family once";
    for (const QString& name : names)
        EXPECT_FALSE(name.contains(" [")) << name.toStdString() << ": families without their foundry";

    // Nothing cut off: every control inside the window and at least its own minimum size.
    for (QWidget* widget : dialog()->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        const QRect inDialog(widget->mapTo(dialog(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(dialog()->rect().contains(inDialog)) << widget->objectName().toStdString();
        EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << widget->objectName().toStdString();
    }

    QStringList order;
    QWidget* widget = nameBox();
    do {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible() || !widget->objectName().size())
            widget = widget->nextInFocusChain();
    } while (widget != nameBox() && order.size() < 20);
    EXPECT_EQ(order, (QStringList{"ComboBox1", "ComboBox2", "CheckBox1", "CheckBox2", "CheckBox3", "RadioButton1",
                                  "RadioButton2", "RadioButton3", "ComboBox3", "Button1", "Button2"}));
}

// Two faces: no name; part bold: a grey box; two sizes: no size. None of
// what the refresh puts in the fields is applied (an empty size would fail).
TEST_F(TextSpecifications, EveryActivationShowsTheSelectionAsItIsNow)
{
    write({{"serif ", "Liberation Serif", 12, true}, {"sans", "Liberation Sans", 14, false}});
    ParagraphFormat centred;
    centred.alignment = ParagraphAlignment::Center;
    centred.tabStops = {36, 80};
    editor().setSelectionParagraphFormat(centred, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
    editor().setSelection(2, 7);
    open();

    EXPECT_EQ(nameBox()->currentText(), "");
    EXPECT_EQ(sizeBox()->currentText(), "");
    EXPECT_EQ(boldBox()->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(child<QCheckBox>("CheckBox2")->checkState(), Qt::Unchecked);
    EXPECT_TRUE(child<QRadioButton>("RadioButton3")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("RadioButton1")->isChecked());
    EXPECT_EQ(tabBox()->currentText(), "36");
    EXPECT_TRUE(nameBox()->hasFocus());
    EXPECT_TRUE(messages.boxes().isEmpty());
    EXPECT_EQ(charsAt(0, 6).fontName, "Liberation Serif");
    EXPECT_EQ(charsAt(6, 4).fontName, "Liberation Sans");

    // The window does not follow the editor while it stays active; the next activation does.
    editor().setSelection(0, 3);
    processEvents();
    EXPECT_EQ(nameBox()->currentText(), "");
    backToEditor();
    editor().setSelection(0, 3);
    QApplication::setActiveWindow(dialog());
    processEvents();
    EXPECT_EQ(nameBox()->currentText(), "Liberation Serif");
    EXPECT_EQ(sizeBox()->currentText(), "12");
    EXPECT_EQ(boldBox()->checkState(), Qt::Checked);
}

// With the Size field focused, a pick from its list sets the size at once; OK only closes.
TEST_F(TextSpecifications, PickingFourteenSetsTheSizeAtOnce)
{
    write({{"some text", "Liberation Sans", 10, false}});
    editor().setSelection(0, 4);
    open();
    sizeBox()->setFocus();
    QTest::keyClick(sizeBox(), Qt::Key_Down, Qt::AltModifier);  // opens the list
    processEvents();
    QAbstractItemView* list = sizeBox()->view();
    ASSERT_TRUE(list->isVisible());
    list->setCurrentIndex(list->model()->index(sizeBox()->findText("14"), 0));
    QTest::keyClick(list, Qt::Key_Return);
    processEvents();

    EXPECT_EQ(sizeBox()->currentText(), "14");
    EXPECT_EQ(charsAt(0, 4).sizePoints, 14);
    EXPECT_EQ(charsAt(4, 5).sizePoints, 10) << "only the selection";
    click(child<QPushButton>("Button1"));
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(charsAt(0, 4).sizePoints, 14);
    EXPECT_TRUE(messages.boxes().isEmpty());
}

// Each keystroke in the Name field applies the name typed so far.
TEST_F(TextSpecifications, TypingANameAppliesItLetterByLetter)
{
    write({{"words", "Liberation Sans", 10, false}});
    editor().selectAllText();
    open();
    nameBox()->lineEdit()->selectAll();
    QTest::keyClicks(nameBox()->lineEdit(), "DejaVu Serif");
    processEvents();
    EXPECT_EQ(charsAt(0, 5).fontName, "DejaVu Serif");
    QTest::keyClick(nameBox()->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(charsAt(0, 5).fontName, "DejaVu Seri") << "partial names are applied too";
}

TEST_F(TextSpecifications, StyleBoxesAndAlignmentButtonsApplyWhenClicked)
{
    write({{"bold ", "Liberation Sans", 10, true}, {"plain\r\nnext", "Liberation Sans", 10, false}});
    editor().setSelection(0, 10);
    open();
    ASSERT_EQ(boldBox()->checkState(), Qt::PartiallyChecked);

    click(boldBox());
    EXPECT_EQ(boldBox()->checkState(), Qt::Checked) << "a grey box clicked turns ticked";
    EXPECT_TRUE(charsAt(0, 10).styles.testFlag(FontStyle::Bold));
    EXPECT_TRUE(charsAt(0, 10).uniform.testFlag(CharAttribute::Bold));
    click(boldBox());
    EXPECT_EQ(boldBox()->checkState(), Qt::Unchecked);
    click(boldBox());
    EXPECT_EQ(boldBox()->checkState(), Qt::Checked) << "never grey again from a click";

    click(child<QCheckBox>("CheckBox3"));
    EXPECT_TRUE(charsAt(0, 10).styles.testFlag(FontStyle::Underline));

    click(child<QRadioButton>("RadioButton3"));
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Center);
    EXPECT_EQ(paragraphAt(12).alignment, ParagraphAlignment::Left) << "a paragraph outside the selection";
    // Its access key belongs to the window, not to the main window's Alt+R.
    press(QKeySequence("Alt+R"));
    QTest::qWait(200);  // an access key presses its button the animated way
    EXPECT_TRUE(child<QRadioButton>("RadioButton2")->isChecked());
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Right);
}

TEST_F(TextSpecifications, TabSizeDefaultAndThirty)
{
    editor().setText("a\tb\r\nc\td\r\ne\tf");
    editor().setSelection(0, 6);
    open();
    ASSERT_EQ(tabBox()->currentText(), "Default");

    tabBox()->setFocus();
    tabBox()->setCurrentIndex(tabBox()->findText("30"));
    processEvents();
    EXPECT_EQ(whole(paragraphAt(0).tabStops), stopsEvery(30));
    EXPECT_EQ(whole(paragraphAt(5).tabStops), stopsEvery(30));
    EXPECT_TRUE(paragraphAt(10).tabStops.isEmpty()) << "a paragraph outside the selection";

    tabBox()->setCurrentIndex(tabBox()->findText("Default"));
    processEvents();
    EXPECT_TRUE(paragraphAt(0).tabStops.isEmpty()) << "stops at 0: the editor's own spacing";

    // A typed size that is no number fails and sets nothing.
    tabBox()->lineEdit()->selectAll();
    QTest::keyClicks(tabBox()->lineEdit(), "x");
    processEvents();
    EXPECT_EQ(messages.errors(), QStringList{"'x' is not a valid integer value"});
    EXPECT_TRUE(paragraphAt(0).tabStops.isEmpty());
}

TEST_F(TextSpecifications, DefaultStoresTheNineValuesAndSaysSo)
{
    write({{"text", "Liberation Sans", 12, false}});
    editor().selectAllText();
    open();
    click(boldBox());
    click(child<QRadioButton>("RadioButton3"));
    tabBox()->setCurrentIndex(tabBox()->findText("40"));
    editor().setText("changed by nothing but the live apply");
    const QString before = editor().text();

    click(child<QPushButton>("Button2"));
    EXPECT_EQ(messages.texts(), QStringList{"Current values saved as default."});
    EXPECT_EQ(messages.boxes()[0].kind, FakeMessageService::Kind::Information);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(editor().text(), before);

    const auto key = stored();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString("Default_FontName"), "Liberation Sans");
    QStringList values;
    for (const char* name : {"Default_FontSize", "Default_StyleBold", "Default_StyleItalic", "Default_StyleUnderline",
                             "Default_AlignLeft", "Default_AlignRight", "Default_AlignCenter", "Default_TabSize"})
        values << QString::number(key->readInteger(name));
    EXPECT_EQ(values, (QStringList{"12", "1", "0", "0", "0", "0", "1", "40"}));

    // New applies it: centred, bold, the face and size, stops every 40 points.
    backToEditor();
    messages.answer(Answer::No);
    press(QKeySequence("Ctrl+N"));
    type("fresh");
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Center);
    EXPECT_EQ(whole(paragraphAt(0).tabStops), stopsEvery(40));
    EXPECT_EQ(charsAt(0, 5).fontName, "Liberation Sans");
    EXPECT_EQ(charsAt(0, 5).sizePoints, 12);
    EXPECT_TRUE(charsAt(0, 5).styles.testFlag(FontStyle::Bold));
}

// A grey box counts as off; a size field emptied by a mixed selection fails
// the conversion before anything is written.
TEST_F(TextSpecifications, DefaultWithAnEmptySizeWritesNothing)
{
    write({{"small ", "Liberation Sans", 10, true}, {"large", "Liberation Sans", 16, false}});
    editor().selectAllText();
    open();
    ASSERT_EQ(sizeBox()->currentText(), "");
    const QStringList before = registry().subkeyNames(Hive::CurrentUser, settingsRoot());

    click(child<QPushButton>("Button2"));
    EXPECT_EQ(messages.errors(), QStringList{"'' is not a valid integer value"});
    EXPECT_FALSE(messages.texts().contains("Current values saved as default."));
    EXPECT_TRUE(!stored() || !stored()->valueExists("Default_FontName")) << "nothing written";
    EXPECT_TRUE(dialog()->isVisible());

    sizeBox()->setEditText("11");
    messages.clear();
    click(child<QPushButton>("Button2"));
    EXPECT_EQ(stored()->readInteger("Default_StyleBold"), 0) << "the grey box";
    EXPECT_EQ(stored()->readInteger("Default_FontSize"), 11);
}

TEST_F(TextSpecifications, EscapeAndCtrlHCloseItAndItsPositionIsKept)
{
    open();
    dialog()->move(321, 234);
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(app().isVisible()) << "Esc in the window never reaches the main window's Exit";
    ASSERT_TRUE(stored());
    EXPECT_EQ(stored()->readInteger("Position_Left"), dialog()->frameGeometry().left());
    EXPECT_EQ(stored()->readInteger("Position_Top"), dialog()->frameGeometry().top());

    backToEditor();
    open();
    ASSERT_TRUE(dialog()->isVisible());
    press(QKeySequence("Ctrl+H"));
    EXPECT_FALSE(dialog()->isVisible());
}

}  // namespace

namespace {

// What a visit to the window does to a document of two paragraphs with tab
// stops of their own (36 and 50 points), a bold heading and a plain body.
struct Visit {
    const char* name;
    bool selectAll;  // Ctrl+A before the window opens, else the caret in the body
    std::function<void(TextSpecifications&)> inWindow;
    bool changes;  // the document changes, as one undo step
};

void PrintTo(const Visit& visit, std::ostream* out)
{
    *out << visit.name;
}

class TextSpecificationsVisits : public TextSpecifications, public ::testing::WithParamInterface<Visit> {};

TEST_P(TextSpecificationsVisits, OnlyTheUsersChangesApplyAsOneUndoStep)
{
    write({{"Heading\r\n", "Liberation Sans", 14, true}, {"body\ttext", "Liberation Sans", 10, false}});
    ParagraphFormat first;
    first.tabStops = {36};
    editor().setSelection(0, 0);
    editor().setSelectionParagraphFormat(first, ParagraphAttribute::TabStops);
    ParagraphFormat second;
    second.tabStops = {50};
    editor().setSelection(9, 0);
    editor().setSelectionParagraphFormat(second, ParagraphAttribute::TabStops);
    editor().clearUndo();
    app().document().state = DocState::Saved;
    if (GetParam().selectAll)
        press(QKeySequence("Ctrl+A"));
    else
        editor().setSelection(9, 4);
    const QString before = QString::fromLatin1(editor().richText());

    open();
    GetParam().inWindow(*this);
    press(QKeySequence(Qt::Key_Escape));
    ASSERT_FALSE(dialog()->isVisible());
    backToEditor();
    const QString after = QString::fromLatin1(editor().richText());

    if (!GetParam().changes) {
        EXPECT_EQ(after, before) << "looking is no change";
        EXPECT_EQ(app().document().state, DocState::Saved);
        EXPECT_FALSE(editor().canUndo());
        return;
    }
    ASSERT_NE(after, before);
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(QString::fromLatin1(editor().richText()), before) << "one Ctrl+Z takes the whole visit back";
    EXPECT_FALSE(editor().canUndo());
    press(QKeySequence("Ctrl+Shift+Z"));
    EXPECT_EQ(QString::fromLatin1(editor().richText()), after);
}

INSTANTIATE_TEST_SUITE_P(
    TextSpecifications, TextSpecificationsVisits,
    ::testing::Values(
        Visit{"OpenAndEscape", false, [](TextSpecifications&) {}, false},
        Visit{"SelectAllOpenAndEscape", true, [](TextSpecifications&) {}, false},
        Visit{"OpenAndLookAtEveryControl", true,
              [](TextSpecifications& t) {
                  for (const char* name : {"ComboBox2", "CheckBox1", "RadioButton1", "ComboBox3", "ComboBox1"})
                      t.dialog()->findChild<QWidget*>(QLatin1String(name))->setFocus();
                  t.processEvents();
              },
              false},
        Visit{"TypeAName", false,
              [](TextSpecifications& t) {
                  t.nameBox()->lineEdit()->selectAll();
                  QTest::keyClicks(t.nameBox()->lineEdit(), "DejaVu Serif");
              },
              true},
        Visit{"NameSizeBoldCentreAndTabs", true,
              [](TextSpecifications& t) {
                  t.nameBox()->lineEdit()->selectAll();
                  QTest::keyClicks(t.nameBox()->lineEdit(), "Liberation Mono");
                  t.sizeBox()->setFocus();
                  t.sizeBox()->lineEdit()->selectAll();
                  QTest::keyClicks(t.sizeBox()->lineEdit(), "16");
                  t.click(t.boldBox());
                  t.click(t.dialog()->findChild<QRadioButton*>("RadioButton3"));
                  t.tabBox()->setFocus();
                  t.tabBox()->setCurrentIndex(t.tabBox()->findText("30"));
                  t.processEvents();
              },
              true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
