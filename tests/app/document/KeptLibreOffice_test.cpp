// The program keeps one LibreOffice for its Word files: opening one file
// after another, and exporting, all go to the instance the first started.
#include "support/OfficeStandIn.h"
#include "support/AppFixture.h"
#include "support/ScopedEnv.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"

#include <QFile>

using namespace qp;
using namespace qp::test;

namespace {

class KeptLibreOffice : public AppFixture {
protected:
    void SetUp() override
    {
        useConverterFolder(QStringLiteral(QP_CONVERTER_DIR));
        start();
    }
};

TEST_F(KeptLibreOffice, OneInstanceForEveryFileOfTheSession)
{
    // A stand-in for soffice: as the instance that stays it notes its process
    // and waits; asked to convert, it writes RTF or, for an export, the format.
    const QString servers = writeFile(QStringLiteral("servers"), {});
    const QString tool = writeFile(
        QStringLiteral("soffice"),
        "#!/bin/sh\n" + test::officeServerScript(servers)
            + "while [ $# -gt 1 ]; do case \"$1\" in --outdir) out=\"$2\";; --convert-to) to=\"$2\";; esac; shift; done\n"
        "if [ \"$to\" = rtf ]; then printf '%s' '{\\rtf1 Converted words.\\par}' > \"$out/document.rtf\";\n"
        "else printf 'PDF' > \"$out/document.pdf\"; fi\n");
    QFile::setPermissions(tool, QFile::permissions(tool) | QFileDevice::ExeOwner);
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const QByteArray word = readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc"));

    loadNamedFile(app(), writeFile(QStringLiteral("One.doc"), word));
    EXPECT_EQ(editor().text(), "Converted words.");
    loadNamedFile(app(), writeFile(QStringLiteral("Two.doc"), word));
    EXPECT_EQ(editor().text(), "Converted words.");
    fileDialogs.choose(QFileInfo(servers).absolutePath() + QStringLiteral("/Two.pdf"), 6);
    app().runCommand(Command::File_SaveAs);

    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(readAll(QFileInfo(servers).absolutePath() + QStringLiteral("/Two.pdf")), "PDF");
    EXPECT_EQ(readAll(servers).count('\n'), 1) << "LibreOffice was started more than once";
}

}  // namespace
