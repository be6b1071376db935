#include "editor/PlainText.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qp {
namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray err;
};

class QuillpressConvert : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(tool())) << "build the quillpress-convert target first";
    }

    static QString tool() { return QStringLiteral(QP_BIN_DIR "/quillpress-convert"); }
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    ToolRun run(const QStringList& args) const
    {
        QProcess process;
        process.start(tool(), args);
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardError()};
    }

    void writeFile(const char* name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const char* name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(QuillpressConvert, RtfToTextKeepsTheWords)
{
    const ToolRun r = run({QStringLiteral(QP_TEST_DATA_DIR "/rtf/cp1251.rtf"), path("out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(readFile("out.txt")), QStringLiteral("Съешь же ещё этих мягких французских булок.\nEnd"));
}

TEST_F(QuillpressConvert, RtfToTextShowsListLabels)
{
    writeFile("list.rtf", R"({\rtf1{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}one\par{\pntext 2.\tab}two\par)"
                          R"(\pard{\pntext\'b7\tab}{\*\pn\pnlvlblt}dot\par})");
    const ToolRun r = run({path("list.rtf"), path("out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(readFile("out.txt")), QStringLiteral("1.\tone\n2.\ttwo\n\u2022\tdot"));
}

TEST_F(QuillpressConvert, TextToRtfAndBackInAnotherEncoding)
{
    const QString text = QStringLiteral("first caf\u00E9\nsecond {braces}\n");
    writeFile("in.txt", text.toUtf8());
    ASSERT_EQ(run({path("in.txt"), path("mid.rtf")}).exitCode, 0);
    EXPECT_TRUE(readFile("mid.rtf").startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));

    const ToolRun r = run({QStringLiteral("--encoding"), QStringLiteral("utf-16le"), QStringLiteral("--eol"), QStringLiteral("crlf"),
                       path("mid.rtf"), path("out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile("out.txt"), encodePlainText(text, {TextEncoding::Utf16LE, LineEnding::CRLF}));
}

TEST_F(QuillpressConvert, TextToTextChangesEncodingAndLineEnds)
{
    writeFile("in.txt", QByteArray("a\r\nb\xE9\r\n"));  // Windows-1252 with CR LF
    const ToolRun r = run({QStringLiteral("--encoding"), QStringLiteral("utf-8-bom"), QStringLiteral("--eol"), QStringLiteral("lf"),
                       path("in.txt"), path("out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile("out.txt"), QByteArray("\xEF\xBB\xBF" "a\nb\xC3\xA9\n"));

    ASSERT_EQ(run({path("in.txt"), path("same.txt")}).exitCode, 0);
    EXPECT_EQ(readFile("same.txt"), readFile("in.txt")) << "without options the file's own format is kept";
}

struct FailureCase {
    const char* name;
    QByteArray input;  // empty: the input file does not exist
    const char* inputName;
    QStringList options;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class QuillpressConvertFailure : public QuillpressConvert, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(QuillpressConvertFailure, OneLineOnStderrAndTheOutputUntouched)
{
    const FailureCase& c = GetParam();
    if (!c.input.isEmpty())
        writeFile(c.inputName, c.input);
    writeFile("out.txt", "previous contents");
    const ToolRun r = run(c.options + QStringList{path(c.inputName), path("out.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("quillpress-convert: ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_EQ(readFile("out.txt"), QByteArray("previous contents"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), c.input.isEmpty() ? 1 : 2) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, QuillpressConvertFailure,
    ::testing::Values(FailureCase{"missingInput", QByteArray(), "none.rtf", {}},
                      FailureCase{"notRepresentable", QByteArray("{\\rtf1 \\u1055?}"), "in.rtf",
                                  {QStringLiteral("--encoding"), QStringLiteral("windows-1252")}}));

TEST_F(QuillpressConvert, RtfThatIsNotRtfConvertsAsText)
{
    const QByteArray inputs[] = {QByteArray("just words\n"), QByteArray("x{\\rtf1 stray byte before}\n"),
                                 QByteArray("caf\xE9\r\n")};
    for (const QByteArray& input : inputs) {
        writeFile("fake.rtf", input);
        const ToolRun r = run({path("fake.rtf"), path("out.txt")});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(readFile("out.txt"), input) << "the text in its own encoding and line ends";
    }
}

TEST_F(QuillpressConvert, WrongArgumentsShowUsage)
{
    writeFile("in.txt", "x");
    EXPECT_EQ(run({path("in.txt")}).exitCode, 2);
    EXPECT_EQ(run({QStringLiteral("--encoding"), QStringLiteral("latin9"), path("in.txt"), path("out.txt")}).exitCode, 2);
    const ToolRun r = run({path("in.txt"), path("out.doc")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(readFile("out.doc"), QByteArray("<missing>"));
}

}  // namespace
}  // namespace qp
