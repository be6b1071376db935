// Where the program finds its converters: named by the environment, else
// beside its own bin folder, where the build puts them and the install too.
#include "platform/Paths.h"

#include "support/ScopedEnv.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace qp;

namespace {

class ConverterFolderVariable : public ::testing::Test {
protected:
    // Unset for each test, and as it was afterwards.
    test::ScopedEnv m_variable{"QUILLPRESS_CONVERTERS", QByteArray()};
};

TEST_F(ConverterFolderVariable, BesideTheProgramsBinFolder)
{
    const Paths paths = Paths::fromEnvironment(QStringLiteral("/opt/qp/bin/quillpress"));
    EXPECT_EQ(paths.converterFolder, "/opt/qp/lib/quillpress/converters");

    // The build tree is laid out the same way, with both converters in it.
    const Paths built = Paths::fromEnvironment(QStringLiteral(QP_BIN_DIR "/quillpress"));
    EXPECT_TRUE(QFileInfo::exists(QDir(built.converterFolder).filePath("MSWRD832.CNV")));
    EXPECT_TRUE(QFileInfo::exists(QDir(built.converterFolder).filePath("MSWRD632.WPC")));
}

TEST_F(ConverterFolderVariable, NamedByTheEnvironment)
{
    qputenv("QUILLPRESS_CONVERTERS", "/srv/converters");
    EXPECT_EQ(Paths::fromEnvironment(QStringLiteral("/opt/qp/bin/quillpress")).converterFolder, "/srv/converters");
}

}  // namespace
