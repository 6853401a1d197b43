/*
** A browse filtered by a request value through `quillon serve`: the
** sample database's customers, chosen by "WHERE CITY = :City", answer
** exactly the rows "quillon db query --param City=..." finds; a value
** written to break out of the SQL lists none and leaves the table as it
** was.  The extension is generated and compiled with fpc (label nosan).
*/

#include "dbquery.h"
#include "enginealiases.h"
#include "extensionbuild.h"
#include "scratchdir.h"
#include "webserver.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

#include <signal.h>

namespace fs = std::filesystem;
using quillon::WizardProject;
using namespace quillon::testing;

namespace {

const char *const kQuery = "SELECT COMPANY, CITY FROM customer\r\nWHERE CITY = :City\r\nORDER BY CUSTNO";

TEST(ServeParams, RequestValueFiltersTheServedRows)
{
    ScratchDir scratch;
    const fs::path data = scratch.path() / "data";
    fs::copy(QUILLON_EXAMPLES "/data", data, fs::copy_options::recursive);
    EngineAliases engine(scratch.path() / "engine.cfg");
    engine.add("QUILLONDEMO", "", data);
    WizardProject p;
    p.DBName = "QUILLONDEMO";
    p.Input = {"City"};
    p.TbBrowse = false;
    p.QrBrowse = true;
    p.QrToBrowse = kQuery;
    p.RetChosenFields = {"COMPANY", "CITY"};
    p.PageTitle = "Customers";
    const fs::path library = ExtensionBuilder(scratch.path() / "build").build(p, "ByCity");

    const DbRun bilbao = quillonDb(QUILLON_BIN, {"query", "QUILLONDEMO", kQuery, "--param", "City=Bilbao"});
    ASSERT_EQ(bilbao.status, 0) << bilbao.out;
    ASSERT_NE(bilbao.out.find("Bilbao"), std::string::npos) << "the sample has customers in Bilbao";
    const std::string before = quillon::platform::readFile((data / "customer.csv").string());

    const fs::path log = scratch.path() / "serve.log";
    const int port = freePort();
    ChildProcess serve(withRootAllowed({QUILLON_BIN, "serve", library.string(), "--port", std::to_string(port)}), log);
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
    ASSERT_TRUE(waitFor([&] { return quillon::platform::readFile(log.string()).find(address) != std::string::npos; },
                        std::chrono::seconds(20)))
        << quillon::platform::readFile(log.string());

    const HttpReply found = httpRequest(port, "GET", "/?City=Bilbao");
    EXPECT_EQ(found.status, 200) << found.head;
    EXPECT_NE(found.body.find(asHtmlTable(bilbao.out)), std::string::npos) << found.body << "\nexpected:\n"
                                                                           << asHtmlTable(bilbao.out);
    for (const char *attack : {"/?City=Bilbao%27+OR+%271%27%3D%271", "/?City=Bilbao%27%3B+DROP+TABLE+customer%3B--"}) {
        const HttpReply none = httpRequest(port, "GET", attack);
        EXPECT_NE(none.body.find("<TABLE>\r\n</TABLE>\r\n"), std::string::npos) << attack << ":\n" << none.body;
        EXPECT_EQ(none.body.find("Error"), std::string::npos) << attack << ":\n" << none.body;
    }
    EXPECT_EQ(serve.stop(SIGINT), 0) << quillon::platform::readFile(log.string());
    EXPECT_EQ(quillon::platform::readFile((data / "customer.csv").string()), before);
    EXPECT_EQ(quillonDb(QUILLON_BIN, {"query", "QUILLONDEMO", kQuery, "--param", "City=Bilbao"}).out, bilbao.out);
}

} // namespace
