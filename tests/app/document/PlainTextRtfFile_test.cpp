// A ".rtf" file that holds plain text opens as text; saved, it is RTF, and
// opening and saving it again writes the same bytes.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "format/Tools_Format.h"
#include "store/Registry.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qp;
using namespace qp::test;

namespace {

class PlainTextRtfFile : public AppFixture {
protected:
    void SetUp() override { start(); }
    void run(Command command) { app().runCommand(command); }
};

TEST_F(PlainTextRtfFile, AnRtfFileOfPlainTextIsWrittenTheSameTheSecondTime)
{
    const QByteArray texts[] = {"Not RTF at all\r\njust {text}\r\n", "caf\xc3\xa9 \xe2\x80\x9cquoted\xe2\x80\x9d\tand \xd0\x9f\xd1\x80\xd0\xb8 \xe6\x97\xa5\xe6\x9c\xac\r\n",
                                QByteArray::fromHex("fffe41004200"), "{\\rtx not quite\r\n", ""};
    DefaultFormat stored;
    stored.fontName = QStringLiteral("Liberation Serif");
    stored.fontSize = 14;
    stored.bold = true;
    stored.tabSize = 20;
    for (const bool withDefaultFormat : {false, true})
    for (const QByteArray& text : texts) {
        SCOPED_TRACE(text.toStdString() + (withDefaultFormat ? " with a default format" : ""));
        if (withDefaultFormat)
            writeDefaultFormat(registry(), stored);
        const QString path = writeFile(QStringLiteral("notes.rtf"), text);
        loadNamedFile(app(), path);
        const QString shown = editor().text();
        run(Command::File_Save);
        const QByteArray first = readAll(path);
        ASSERT_TRUE(first.startsWith("{\\rtf1"));

        loadNamedFile(app(), path);
        EXPECT_EQ(editor().text(), shown);
        run(Command::File_Save);
        EXPECT_EQ(readAll(path).toStdString(), first.toStdString());
    }
}

}  // namespace
