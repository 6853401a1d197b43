/*
** Compiling and running a project from the host: fpc's messages parsed, a
** real library compiled against our units and run through isapihost, a
** failing source reported with its position, a slow compiler cancelled,
** and a missing compiler or RootDir named in the failure.
*/

#include "idehost/projectbuild.h"
#include "generator/sourcegenerator.h"
#include "platform/registry.h"
#include "../support/isolatedfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace quillon::idehost {
namespace {

class ProjectBuildTest : public ::testing::Test
{
protected:
    void SetUp() override { build.setIsapiHost(QStringLiteral(QUILLON_ISAPIHOST)); }
    QString path(const char *name) const { return m_folder.qpath(name); }
    void recordRootDir(const std::string &dir)
    {
        platform::Registry().createKey(platform::Hive::LocalMachine, generator::kRootDirKey)
            .writeString(generator::kRootDirValue, dir);
    }
    QString write(const char *name, const QByteArray &text)
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path(name);
    }

    quillon::test::IsolatedFolder m_folder;
    ProjectBuild build;
};

struct ParseRow
{
    const char *line;
    const char *file;
    int lineNo;
    int column;
    const char *kind;
    const char *text;
};

class CompilerLineTest : public ::testing::TestWithParam<ParseRow>
{};

TEST_P(CompilerLineTest, Parses)
{
    const ParseRow &r = GetParam();
    const BuildMessage m = parseCompilerLine(QString::fromLatin1(r.line));
    EXPECT_EQ(m.file, QLatin1String(r.file));
    EXPECT_EQ(m.line, r.lineNo);
    EXPECT_EQ(m.column, r.column);
    EXPECT_EQ(m.kind, QLatin1String(r.kind));
    EXPECT_EQ(m.text, QLatin1String(r.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompilerLineTest,
    ::testing::Values(ParseRow{"Shop.dpr(12,5) Error: Identifier not found \"x\"", "Shop.dpr", 12, 5, "Error",
                               "Identifier not found \"x\""},
                      ParseRow{"/a (b)/Shop (2).dpr(3,1) Warning: w\r", "/a (b)/Shop (2).dpr", 3, 1, "Warning", "w"},
                      ParseRow{"Shop.dpr(7) Hint: unused", "Shop.dpr", 7, 0, "Hint", "unused"},
                      ParseRow{"Fatal: Can't open file \"x.dpr\"", "", 0, 0, "Fatal", "Can't open file \"x.dpr\""},
                      ParseRow{"Shop.dpr(1,1) Note: n (x)", "Shop.dpr", 1, 1, "Note", "n (x)"},
                      ParseRow{"Linking libShop.so\r", "", 0, 0, "", "Linking libShop.so"},
                      ParseRow{"Error (12) is not a message", "", 0, 0, "", "Error (12) is not a message"}));

TEST_F(ProjectBuildTest, AGoodLibraryCompilesAndRunsWithTheTypedParameters)
{
    recordRootDir(QUILLON_PASCAL_DIR);
    const QString dpr = write("Echo.dpr", R"(library Echo;
{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
uses {$IFDEF UNIX}cthreads,{$ENDIF} SysUtils, qnisapi, qnhttp;

function GetExtensionVersion(var Ver: THSE_VERSION_INFO): BOOL; cdecl;
begin
  Ver.dwExtensionVersion := MakeExtensionVersion(HSE_VERSION_MAJOR, HSE_VERSION_MINOR);
  StrPLCopy(Ver.lpszExtensionDesc, 'Echo', HSE_MAX_EXT_DLL_NAME_LEN - 1);
  Result := True;
end;

function HttpExtensionProc(var CB: TEXTENSION_CONTROL_BLOCK): DWORD; cdecl;
var
  F: TextFile;
begin
  Result := HSE_STATUS_SUCCESS;
  SendResponseHeader(CB, '200 OK', 'Content-Type: text/html'#13#10#13#10);
  AssignResponse(F, CB);
  Rewrite(F);
  Writeln(F, '<HTML><BODY><P>Query ' + PrepareString(ServerString(CB.lpszQueryString)) + '</P></BODY></HTML>');
  CloseFile(F);
end;

exports GetExtensionVersion, HttpExtensionProc;
begin
end.
)");
    ASSERT_TRUE(build.run(dpr, QStringLiteral("City=Lyon"))) << build.failure().toStdString();
    const QString library = ProjectBuild::libraryFor(dpr);
    EXPECT_TRUE(QFileInfo::exists(library));
    EXPECT_EQ(build.reports().at(0), QStringLiteral("compile %1 -> ok").arg(dpr));
    EXPECT_EQ(build.reports().at(1), QStringLiteral("run %1 City=Lyon -> 200 OK").arg(library));
    // The status and headers apart from the page, whatever order the two streams arrive in.
    EXPECT_EQ(build.headers(), QStringLiteral("200 OK\nContent-Type: text/html"));
    EXPECT_TRUE(build.body().startsWith(QLatin1String("<HTML><BODY><P>Query City=Lyon</P>"))) << build.body().toStdString();
    // The library is now newer than the source: the second run does not compile again.
    EXPECT_TRUE(build.run(dpr, QStringLiteral("City=Paris")));
    EXPECT_EQ(build.reports().size(), 3);
    EXPECT_TRUE(build.body().contains(QLatin1String("Query City=Paris")));
}

TEST_F(ProjectBuildTest, AnErrorIsReportedWithItsPosition)
{
    recordRootDir(QUILLON_PASCAL_DIR);
    const QString dpr = write("Bad.dpr", "library Bad;\nbegin\n  Undefined_Thing;\nend.\n");
    EXPECT_FALSE(build.compile(dpr));
    EXPECT_FALSE(QFileInfo::exists(ProjectBuild::libraryFor(dpr)));
    ASSERT_GE(build.errorCount(), 1);
    bool found = false;
    for (const BuildMessage &m : build.messages())
        if (m.kind == QLatin1String("Error") && m.line == 3) {
            found = true;
            EXPECT_EQ(m.column, 3);
            EXPECT_TRUE(m.file.endsWith(QLatin1String("Bad.dpr"))) << m.file.toStdString();
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(build.reports().last(),
              QStringLiteral("compile %1 -> failed (%2 errors)").arg(dpr).arg(build.errorCount()));
}

TEST_F(ProjectBuildTest, CancellingASlowCompilerReportsCancelled)
{
    recordRootDir(QUILLON_PASCAL_DIR);
    const QString fake = write("slowfpc", "#!/bin/sh\nsleep 30\n");
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    build.setCompiler(fake);
    const QString dpr = write("Slow.dpr", "library Slow;\nbegin\nend.\n");
    QTimer::singleShot(200, &build, &ProjectBuild::cancel);
    EXPECT_FALSE(build.compile(dpr));
    EXPECT_FALSE(build.busy());
    EXPECT_FALSE(QFileInfo::exists(ProjectBuild::libraryFor(dpr)));
    EXPECT_EQ(build.reports().last(), QStringLiteral("compile %1 -> cancelled").arg(dpr));
}

TEST_F(ProjectBuildTest, AMissingCompilerOrRootDirIsNamed)
{
    const QString dpr = write("P.dpr", "library P;\nbegin\nend.\n");
    EXPECT_FALSE(build.compile(dpr));
    EXPECT_TRUE(build.failure().contains(QLatin1String("RootDir"))) << build.failure().toStdString();
    recordRootDir(QUILLON_PASCAL_DIR);
    build.setCompiler(path("no-such-fpc"));
    EXPECT_FALSE(build.compile(dpr));
    EXPECT_TRUE(build.failure().contains(path("no-such-fpc"))) << build.failure().toStdString();
    EXPECT_EQ(build.reports().last(), QStringLiteral("compile %1 -> failed: %2").arg(dpr, build.failure()));
}

} // namespace
} // namespace quillon::idehost
