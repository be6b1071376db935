// Shortcuts on punctuation keys under the keyboard layouts users have: a
// shortcut works wherever its character can be typed, with Shift or without.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "app/CommandDispatch.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QKeyEvent>

using namespace qp;
using namespace qp::test;

namespace {

struct LayoutCase {
    const char* layout;
    // The keys a user of the layout presses for Alt+; and for Ctrl+Shift+.
    const char* switchCharacters;
    Qt::Key switchKey;  // what the layout makes of that press
    const char* increaseFontsize;
    Qt::Key increaseKey;
};

void PrintTo(const LayoutCase& c, std::ostream* out)
{
    *out << c.layout;
}

const LayoutCase Layouts[] = {
    {"us", "alt+semicolon", Qt::Key_Semicolon, "ctrl+shift+period", Qt::Key_Greater},
    // German: ";" is Shift+comma, ":" is Shift+period.
    {"de", "alt+shift+comma", Qt::Key_Semicolon, "ctrl+shift+period", Qt::Key_Colon},
    // French: "." is Shift+semicolon.
    {"fr", "alt+semicolon", Qt::Key_Semicolon, "ctrl+shift+semicolon", Qt::Key_Period},
};

// What the program's dispatch makes of each key press, seen before it acts.
class PressRecorder : public QObject {
public:
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        quint32 scanCode;
        std::optional<Command> command;
    };

    explicit PressRecorder(TApp& app) : m_app(app) { qApp->installEventFilter(this); }
    ~PressRecorder() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Shift && key->key() != Qt::Key_Control && key->key() != Qt::Key_Alt)
                presses.append({Qt::Key(key->key()), key->modifiers(), key->nativeScanCode(),
                                m_app.dispatch().commandFor(*key, QApplication::focusWidget())});
        }
        return false;
    }

    QList<Press> presses;

private:
    TApp& m_app;
};

class KeyboardLayouts : public DesktopFixture, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(KeyboardLayouts, PunctuationShortcutsWorkWhereverTheCharacterCanBeTyped)
{
    const LayoutCase& layout = GetParam();
    setLayout(QString::fromLatin1(layout.layout));
    startOnDesktop();
    PressRecorder recorder(app());
    editor().setText(QStringLiteral("ab"));
    editor().setSelection(2, 0);
    editor().setFocus();
    processEvents();

    keys(QString::fromLatin1(layout.switchCharacters));
    EXPECT_TRUE(waitFor([&] { return editor().text() == QLatin1String("ba"); }))
        << "Alt+; switches the characters; the text is " << editor().text().toStdString();
    keys(QString::fromLatin1(layout.increaseFontsize));
    ASSERT_TRUE(waitFor([&] { return recorder.presses.size() >= 2; }));

    const PressRecorder::Press& alt = recorder.presses[0];
    EXPECT_NE(alt.scanCode, 0u) << "a press of the X server's keyboard";
    EXPECT_EQ(alt.key, layout.switchKey);
    EXPECT_EQ(alt.command, Command::Edit_SwitchCharacters);
    const PressRecorder::Press& larger = recorder.presses[1];
    EXPECT_EQ(larger.key, layout.increaseKey);
    EXPECT_EQ(larger.modifiers & (Qt::ControlModifier | Qt::ShiftModifier), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(larger.command, Command::Format_IncreaseFontsize);
}

INSTANTIATE_TEST_SUITE_P(Desktop, KeyboardLayouts, ::testing::ValuesIn(Layouts),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                             return std::string(info.param.layout);
                         });

}  // namespace
