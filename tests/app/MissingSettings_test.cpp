// A settings file that lacks a value the program needs on the way to the
// user's text (an older version, a hand edit): the user is told once, naming
// the file and the value; the program goes on with its built-in value, the
// file opens, and the next store of those settings writes the value back.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editor/RichEdit.h"
#include "format/Tools_Format.h"
#include "store/Registry.h"

#include <QPushButton>
#include <QWidget>

#include <functional>

using namespace qp;
using namespace qp::test;

namespace {

// A stored format unlike the built-in one in every value, so that each
// missing value shows as its built-in value.
DefaultFormat storedFormat()
{
    DefaultFormat format;
    format.fontName = QStringLiteral("Liberation Serif");
    format.fontSize = 14;
    format.bold = true;
    format.italic = true;
    format.underline = true;
    format.alignLeft = false;
    format.alignRight = true;
    format.alignCenter = false;
    format.tabSize = 30;
    return format;
}

void writeSettings(Registry& registry)
{
    RegKey key = RegKey::openSettingsWrite(registry, QStringLiteral("Settings"));
    key.writeString(QStringLiteral("Default_DateFormat"), QStringLiteral("yyyy-mm-dd"));
    key.writeString(QStringLiteral("Default_TimeFormat"), QStringLiteral("hh:nn"));
    key.writeInteger(QStringLiteral("Default_FileType"), 1);
    key.writeInteger(QStringLiteral("Default_LinesPerPage"), 42);
    key.writeString(QStringLiteral("Run_Path"), QString());
    key.writeInteger(QStringLiteral("Default_FileName"), 1);
    key.writeInteger(QStringLiteral("Default_RTF"), 0);
    key.writeInteger(QStringLiteral("Default_TXT"), 0);
    key.writeInteger(QStringLiteral("Default_Context"), 0);
    key.writeInteger(QStringLiteral("Default_DialogPosition"), 1);
    key.writeInteger(QStringLiteral("AutoIndent_Enabled"), 1);
    key.writeInteger(QStringLiteral("Default_Esc"), 0);
}

struct MissingCase {
    const char* subkey;
    const char* value;
    // False where the store's rule already gives a value (an absent string
    // reads as empty): nothing stops, so nothing is told.
    bool told;
    // The built-in value in force: checked on the running program.
    std::function<void(TApp& app)> expectBuiltIn;
};

void PrintTo(const MissingCase& c, std::ostream* out)
{
    *out << c.subkey << "\\" << c.value;
}

// What the default format put on a new document's typed text.
struct Applied {
    CharFormat chars;
    ParagraphFormat paragraph;
    QString defaultFont;
    int defaultSize = 0;
};

Applied appliedToNewText(TApp& app)
{
    RichEdit& editor = app.editor();
    editor.setSelection(0, editor.textLength());
    return {editor.selectionCharFormat(), editor.selectionParagraphFormat(), editor.defaultFontName(),
            int(editor.defaultFontSize())};
}

void expectFormat(TApp& app, const std::function<void(const Applied&)>& check)
{
    check(appliedToNewText(app));
}

const MissingCase kCases[] = {
    // Empty: the face stays the editor's own.
    {"TextSpecifications", "Default_FontName", false,
     [](TApp& a) { expectFormat(a, [](const Applied& f) { EXPECT_NE(f.chars.fontName, "Liberation Serif"); }); }},
    {"TextSpecifications", "Default_FontSize", true,
     [](TApp& a) { expectFormat(a, [](const Applied& f) { EXPECT_EQ(f.defaultSize, 10); }); }},
    {"TextSpecifications", "Default_StyleBold", true,
     [](TApp& a) {
         expectFormat(a, [](const Applied& f) {
             EXPECT_FALSE(f.chars.styles.testFlag(FontStyle::Bold));
             EXPECT_TRUE(f.chars.styles.testFlag(FontStyle::Italic)) << "the stored values still apply";
         });
     }},
    {"TextSpecifications", "Default_StyleItalic", true,
     [](TApp& a) { expectFormat(a, [](const Applied& f) { EXPECT_FALSE(f.chars.styles.testFlag(FontStyle::Italic)); }); }},
    {"TextSpecifications", "Default_StyleUnderline", true,
     [](TApp& a) {
         expectFormat(a, [](const Applied& f) { EXPECT_FALSE(f.chars.styles.testFlag(FontStyle::Underline)); });
     }},
    // Left is on when built in; the stored Right comes after it and still wins.
    {"TextSpecifications", "Default_AlignLeft", true,
     [](TApp& a) {
         expectFormat(a, [](const Applied& f) { EXPECT_EQ(f.paragraph.alignment, ParagraphAlignment::Right); });
     }},
    // Right off, and Left (stored off) does not set it: the alignment stays the editor's own.
    {"TextSpecifications", "Default_AlignRight", true,
     [](TApp& a) {
         expectFormat(a, [](const Applied& f) { EXPECT_EQ(f.paragraph.alignment, ParagraphAlignment::Left); });
     }},
    {"TextSpecifications", "Default_AlignCenter", true,
     [](TApp& a) {
         expectFormat(a, [](const Applied& f) { EXPECT_EQ(f.paragraph.alignment, ParagraphAlignment::Right); });
     }},
    {"TextSpecifications", "Default_TabSize", true,
     [](TApp& a) {
         // Stops at 0 leave the editor's own spacing: it reports none.
         expectFormat(a, [](const Applied& f) { EXPECT_EQ(wholePoints(f.paragraph.tabStops.value(0, 0)), 0); });
     }},
    {"Settings", "Default_FileType", true,
     [](TApp& a) { EXPECT_EQ(a.options().defaultFileType, FileType::Rtf); }},
    {"Settings", "Default_LinesPerPage", true, [](TApp& a) { EXPECT_EQ(a.options().linesPerPage, 10); }},
    {"Settings", "Default_FileName", true, [](TApp& a) { EXPECT_FALSE(a.options().notesFileName); }},
    {"Settings", "Default_RTF", true, [](TApp& a) { EXPECT_FALSE(a.options().associateRtf); }},
    {"Settings", "Default_TXT", true, [](TApp& a) { EXPECT_FALSE(a.options().associateTxt); }},
    {"Settings", "Default_Context", true, [](TApp& a) { EXPECT_FALSE(a.options().sendTo); }},
    {"Settings", "Default_DialogPosition", true, [](TApp& a) { EXPECT_FALSE(a.options().rememberDialogPosition); }},
};

class MissingSetting : public AppFixture, public ::testing::WithParamInterface<MissingCase> {
protected:
    // Every setting stored, then the one value of the case taken out, as a
    // hand edit or an older version leaves the file.
    void storeAllButTheCase()
    {
        writeDefaultFormat(registry(), storedFormat());
        writeSettings(registry());
        RegKey::openSettingsWrite(registry(), QString::fromLatin1(GetParam().subkey))
            .deleteValue(QString::fromLatin1(GetParam().value));
        messages.clear();
    }

    void expectOneBoxNamingFileAndValue()
    {
        const MissingCase& c = GetParam();
        EXPECT_TRUE(messages.errors().isEmpty()) << messages.errors().join('\n').toStdString();
        ASSERT_EQ(messages.texts().size(), 1) << messages.texts().join('\n').toStdString();
        const QString told = messages.texts().first();
        EXPECT_TRUE(told.contains(registry().hivePath(Hive::CurrentUser))) << told.toStdString();
        EXPECT_TRUE(told.contains(QStringLiteral("'%1'").arg(QString::fromLatin1(c.value)))) << told.toStdString();
        EXPECT_TRUE(told.contains(QString::fromLatin1(c.subkey))) << told.toStdString();
        EXPECT_TRUE(told.contains(QString::fromLatin1(c.subkey) == QLatin1String("Settings")
                                      ? QStringLiteral("OK in Settings")
                                      : QStringLiteral("Default in Text Specifications")))
            << "how to mend it: " << told.toStdString();
    }

    bool stored() const
    {
        const std::optional<RegKey> key = RegKey::openSettingsRead(registry(), QString::fromLatin1(GetParam().subkey));
        return key && key->valueExists(QString::fromLatin1(GetParam().value));
    }

    void click(QPushButton* button)
    {
        ASSERT_TRUE(button);
        button->click();
        processEvents();
    }
};

TEST_P(MissingSetting, IsToldOnceAndTheFilesOpenWithTheBuiltInValue)
{
    const MissingCase& c = GetParam();
    storeAllButTheCase();
    const QString first = writeFile(QStringLiteral("first.txt"), "first chapter");
    const QString second = writeFile(QStringLiteral("second.rtf"), "{\\rtf1 second chapter\\par}");

    // From the command line, as the desktop opens a file.
    TApp& window = start({first});
    if (c.told)
        expectOneBoxNamingFileAndValue();
    else
        EXPECT_TRUE(messages.boxes().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(window.document().fileName, first);
    EXPECT_EQ(editor().text(), "first chapter");

    // Open and New meet the same gap quietly.
    messages.clear();
    fileDialogs.choose(second);
    press(QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(window.document().fileName, second);
    EXPECT_EQ(editor().text(), "second chapter");
    press(QKeySequence(QStringLiteral("Ctrl+N")));
    type(QStringLiteral("new text"));
    EXPECT_TRUE(messages.boxes().isEmpty()) << messages.texts().join('\n').toStdString();
    c.expectBuiltIn(window);

    // Storing those settings again writes the value back.
    ASSERT_FALSE(stored());
    if (QString::fromLatin1(c.subkey) == QLatin1String("Settings")) {
        press(QKeySequence(QStringLiteral("F4")));
        click(window.findChild<QWidget*>(QStringLiteral("TForm_Settings"))->findChild<QPushButton*>(QStringLiteral("Button_OK")));
    } else {
        editor().setSelection(0, 0);
        press(QKeySequence(QStringLiteral("Ctrl+H")));
        click(window.findChild<QWidget*>(QStringLiteral("TForm_TextSpecifications"))->findChild<QPushButton*>(QStringLiteral("Button2")));
    }
    EXPECT_TRUE(stored());
    EXPECT_TRUE(messages.errors().isEmpty()) << messages.errors().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(EachValue, MissingSetting, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MissingCase>& info) {
                             return std::string(info.param.value);
                         });

// Several values missing from one reading are told in one box.
class SeveralMissing : public AppFixture {};

TEST_F(SeveralMissing, AreToldInOneBox)
{
    writeDefaultFormat(registry(), storedFormat());
    RegKey key = RegKey::openSettingsWrite(registry(), QStringLiteral("TextSpecifications"));
    key.deleteValue(QStringLiteral("Default_FontSize"));
    key.deleteValue(QStringLiteral("Default_TabSize"));
    start();
    EXPECT_TRUE(messages.errors().isEmpty());
    ASSERT_EQ(messages.texts().size(), 1) << messages.texts().join('\n').toStdString();
    EXPECT_TRUE(messages.texts().first().contains("the values 'Default_FontSize', 'Default_TabSize'"))
        << messages.texts().first().toStdString();
}

}  // namespace
