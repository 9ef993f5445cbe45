#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/PosixNetwork.h"
#include "refdata/Loader.h"
#include "refdata/Update.h"
#include "testkit/HttpServer.h"
#include "testkit/HttpsServer.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::HttpRoute;
using testkit::PaneLines;

const std::string LOCAL_DATABASE = "3\r\nStar Quest#1A2B#3\r\n";
const std::string LOCAL_DEVELOPERS = "7\r\n25#Nimbus Works\r\n";
// Short bounds keep the endless and trickling servers' cases quick.
const DownloadLimits TEST_LIMITS{4096, 1};

class UpdateTest : public ::testing::Test {
protected:
    testkit::SpyFiles spy;
    PosixNetwork network;
    testkit::HttpServer server;
    testkit::StartFolderProgram start{{&spy, nullptr, &network}};
    Program& program = start.program();

    void SetUp() override {
        start.dir.Write("DATA.KVX", LOCAL_DATABASE);
        start.dir.Write("DEVELOPPER.KVX", LOCAL_DEVELOPERS);
        LoadDatabases(program);
        program.updateSite = "127.0.0.1";
        program.updatePort = server.Port();
    }

    // How often the loader reads DATA.KVX from here on (each reload reads it once).
    std::shared_ptr<int> CountLoads() {
        auto loads = std::make_shared<int>(0);
        for (int i = 0; i < 3; ++i) spy.Before("ReadAt", "DATA.KVX", [loads] { ++*loads; });
        return loads;
    }

    // Serves `data` and `developers`, runs the update on a cleared pane, and says how often the
    // tables were loaded again.
    int UpdateFrom(const HttpRoute& data, const HttpRoute& developers) {
        program.pane.ClearPane();
        server.Route("/zip/DATA.KVX", data);
        server.Route("/zip/DEVELOPPER.KVX", developers);
        auto loads = CountLoads();
        UpdateDatabases(program, TEST_LIMITS);
        return *loads;
    }

    void ExpectLocalFilesKept() {
        EXPECT_EQ(start.dir.Read("DATA.KVX"), LOCAL_DATABASE);
        EXPECT_EQ(start.dir.Read("DEVELOPPER.KVX"), LOCAL_DEVELOPERS);
        EXPECT_EQ(program.database.version, 3);
        EXPECT_EQ(program.developers.version, 7);
        EXPECT_FALSE(start.dir.Exists("file.tmp"));
    }
};

TEST_F(UpdateTest, NewerFilesReplaceTheLocalOnesAndAreLoaded) {
    server.Route("/zip/DATA.KVX", HttpRoute::Ok("4\r\nStar Quest#1A2B#3\r\nNebula Drift#3C4D#2\r\n"));
    server.Route("/zip/DEVELOPPER.KVX", HttpRoute::Ok("8\r\n25#Nimbus Works\r\n37#Tidewater Soft\r\n"));
    auto loads = CountLoads();
    UpdateDatabases(program, TEST_LIMITS);

    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/zip/DATA.KVX", "/zip/DEVELOPPER.KVX"}));
    EXPECT_EQ(start.dir.Read("DATA.KVX"), "4\r\nStar Quest#1A2B#3\r\nNebula Drift#3C4D#2\r\n");
    EXPECT_EQ(start.dir.Read("DEVELOPPER.KVX"), "8\r\n25#Nimbus Works\r\n37#Tidewater Soft\r\n");
    EXPECT_EQ(program.database.version, 4);
    EXPECT_EQ(program.database.count, 2);
    EXPECT_EQ(program.developers.version, 8);
    EXPECT_EQ(program.developers.NameFor(37), "Tidewater Soft");
    EXPECT_EQ(*loads, 2);
    EXPECT_FALSE(start.dir.Exists("file.tmp"));
    EXPECT_EQ(spy.Calls("DeleteFile"), 0) << "a local file is replaced, never deleted first";
    EXPECT_EQ(program.pane.Text(), "");
}

TEST_F(UpdateTest, FilesThatAreNotNewerAreThrownAway) {
    struct Case {
        const char* what;
        HttpRoute data, developers;
    };
    const Case cases[] = {
        {"same versions", HttpRoute::Ok("3\r\nOther#1#0\r\n"), HttpRoute::Ok("7\r\n1#Other\r\n")},
        {"older versions", HttpRoute::Ok("2\r\n"), HttpRoute::Ok("-9\r\n")},
        {"error pages", HttpRoute::Ok("<html><body>Moved</body></html>\r\n"),
         HttpRoute::Ok("<!DOCTYPE html>\n")},
        {"first line not a number", HttpRoute::Ok("version 9\r\n"), HttpRoute::Ok("\r\n99\r\n")},
        {"empty bodies", HttpRoute::Ok(""), HttpRoute::Ok("")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateFrom(c.data, c.developers), 0) << c.what;
        ExpectLocalFilesKept();
        EXPECT_EQ(program.pane.Text(), "") << c.what;
    }
}

// A file the site doesn't have is silent; any other failed download says so, once per file.
TEST_F(UpdateTest, FailedDownloadsLeaveEverythingAsItWasAndSaySo) {
    struct Case {
        const char* what;
        HttpRoute route;
        bool reported;
    };
    const Case cases[] = {
        {"404", HttpRoute{404, "9\r\n", "", 0, false}, false},
        {"server error", HttpRoute{500, "9\r\n", "", 0, false}, true},
        {"endless body", HttpRoute::Endless("9999999999\r\n"), true},
        {"trickle", HttpRoute::Trickle("9\r\nStar Quest#1A2B#3\r\n", 200), true},
        {"redirect to a file", HttpRoute::Redirect(302, "file://" + start.dir.Path() + "/DATA.KVX"), true},
    };
    for (const Case& c : cases) {
        const auto started = std::chrono::steady_clock::now();
        UpdateFrom(c.route, c.route);
        ExpectLocalFilesKept();
        const std::vector<std::string> expected =
            c.reported ? std::vector<std::string>{"", "DATA.KVX was not updated: the download failed.",
                                                  "DEVELOPPER.KVX was not updated: the download failed."}
                       : std::vector<std::string>{""};
        EXPECT_EQ(PaneLines(program.pane.Text()), expected) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6)) << c.what;
    }
    // One failed download doesn't stop the other.
    server.Route("/zip/DEVELOPPER.KVX", HttpRoute::Ok("8\r\n"));
    UpdateDatabases(program, TEST_LIMITS);
    EXPECT_EQ(program.developers.version, 8);
    EXPECT_EQ(program.database.version, 3);
}

// A server that closes the connection halfway, with or without having announced the length, or
// that sends something that only starts like a newer file: the good local file stays.
TEST_F(UpdateTest, ANewerFileIsInstalledOnlyWhenItCameWhole) {
    const std::string newer = "4\r\nStar Quest#1A2B#3\r\nNebula Drift#3C4D#2\r\n";
    const std::string newerDevelopers = "8\r\n25#Nimbus Works\r\n37#Tidewater Soft\r\n";
    const std::string failed = " was not updated: the download failed.";
    const std::string damaged = " was not updated: the download is incomplete or damaged.";
    struct Case {
        const char* what;
        HttpRoute data, developers;
        std::string message;
    };
    const Case cases[] = {
        {"cut in a line, no length announced", HttpRoute::CutShort(newer, newer.size() / 2, false),
         HttpRoute::CutShort(newerDevelopers, 15, false), damaged},
        {"cut after a CR, no length announced", HttpRoute::CutShort(newer, newer.size() - 1, false),
         HttpRoute::CutShort(newerDevelopers, newerDevelopers.size() - 1, false), damaged},
        {"cut short of the announced length", HttpRoute::CutShort(newer, 22, true),
         HttpRoute::CutShort(newerDevelopers, 21, true), failed},
        {"malformed entries", HttpRoute::Ok("4\r\nStar Quest#1a2b#3\r\n"), HttpRoute::Ok("8\r\nNimbus\r\n"),
         damaged},
        {"fields missing", HttpRoute::Ok("4\r\nStar Quest#1A2B\r\n"), HttpRoute::Ok("8\r\n#Nimbus\r\n"),
         damaged},
        {"bare line ends", HttpRoute::Ok("4\nStar Quest#1A2B#3\n"), HttpRoute::Ok("8\n25#Nimbus Works\n"),
         damaged},
        {"a page after a version", HttpRoute::Ok("40\r\n<html><body>Not here</body></html>\r\n"),
         HttpRoute::Ok("80\r\n<html>\r\n"), damaged},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateFrom(c.data, c.developers), 0) << c.what;
        ExpectLocalFilesKept();
        EXPECT_EQ(PaneLines(program.pane.Text()),
                  (std::vector<std::string>{"", "DATA.KVX" + c.message, "DEVELOPPER.KVX" + c.message}))
            << c.what;
    }
    // The same files, whole, are taken.
    server.Route("/zip/DATA.KVX", HttpRoute::CutShort(newer, newer.size(), false));
    server.Route("/zip/DEVELOPPER.KVX", HttpRoute::Ok(newerDevelopers));
    UpdateDatabases(program, TEST_LIMITS);
    EXPECT_EQ(start.dir.Read("DATA.KVX"), newer);
    EXPECT_EQ(start.dir.Read("DEVELOPPER.KVX"), newerDevelopers);
    EXPECT_EQ(program.database.version, 4);
}

TEST_F(UpdateTest, AReplacementThatFailsKeepsTheLocalFileAndSaysSo) {
    server.Route("/zip/DATA.KVX", HttpRoute::Ok("4\r\nNew#1#0\r\n"));
    server.Route("/zip/DEVELOPPER.KVX", HttpRoute::Ok("8\r\n"));
    spy.Fail("WriteFile", "DATA.KVX");
    spy.Fail("WriteFile", "DEVELOPPER.KVX");
    UpdateDatabases(program, TEST_LIMITS);
    ExpectLocalFilesKept();
    EXPECT_EQ(PaneLines(program.pane.Text()),
              (std::vector<std::string>{"", "DATA.KVX was not updated: it could not be written.",
                                        "DEVELOPPER.KVX was not updated: it could not be written."}));
}

// A link planted in the start folder, under the name the update used to download to or under a
// reference file's own name, leads nowhere: what it points to is never written, whatever the site
// answers.
TEST_F(UpdateTest, NothingIsWrittenThroughALinkInTheStartFolder) {
    testkit::TempFolder elsewhere;
    const std::string victim = elsewhere.Write("victim.txt", "precious");
    std::filesystem::create_symlink(victim, start.dir / "file.tmp");
    const HttpRoute answers[] = {HttpRoute::Ok("4\r\nNew#1#0\r\n"), HttpRoute{404, "gone", "", 0, false},
                                 HttpRoute::Ok("<html>Not here</html>\r\n")};
    for (const HttpRoute& answer : answers) {
        server.Route("/zip/DATA.KVX", answer);
        UpdateDatabases(program, TEST_LIMITS);
        EXPECT_EQ(elsewhere.Read("victim.txt"), "precious");
        EXPECT_TRUE(std::filesystem::is_symlink(start.dir / "file.tmp"));
        EXPECT_FALSE(std::filesystem::is_symlink(start.dir / "DATA.KVX"));
    }
    EXPECT_EQ(start.dir.Read("DATA.KVX"), "4\r\nNew#1#0\r\n");

    // A reference file that is itself a link is neither written through nor replaced.
    std::filesystem::remove(start.dir / "DEVELOPPER.KVX");
    std::filesystem::create_symlink(victim, start.dir / "DEVELOPPER.KVX");
    server.Route("/zip/DEVELOPPER.KVX", HttpRoute::Ok("9\r\n1#Someone\r\n"));
    program.pane.ClearPane();
    UpdateDatabases(program, TEST_LIMITS);
    EXPECT_EQ(elsewhere.Read("victim.txt"), "precious");
    EXPECT_TRUE(std::filesystem::is_symlink(start.dir / "DEVELOPPER.KVX"));
    EXPECT_EQ(PaneLines(program.pane.Text()).back(),
              "DEVELOPPER.KVX was not updated: it could not be written.");
}

TEST_F(UpdateTest, AnUnreachableSiteIsReportedAndNothingIsFetched) {
    int closedPort = 0;
    {
        testkit::HttpServer gone;
        closedPort = gone.Port();
    }
    struct Case {
        std::string site;
        int port;
    };
    const Case cases[] = {{"", server.Port()},
                          {"127.0.0.1", closedPort},
                          {"127.0.0.1:" + std::to_string(closedPort), server.Port()},
                          {"https://127.0.0.1:" + std::to_string(closedPort), server.Port()}};
    for (const Case& c : cases) {
        program.pane.ClearPane();
        program.updateSite = c.site;
        program.updatePort = c.port;
        UpdateDatabases(program, TEST_LIMITS);
        EXPECT_EQ(PaneLines(program.pane.Text()),
                  (std::vector<std::string>{"", "Could not connect to update site!"}))
            << c.site;
        ExpectLocalFilesKept();
    }
    EXPECT_TRUE(server.Requests().empty());
}

// A collector's own server on a port of its choosing: the site's port wins over the plain one.
TEST_F(UpdateTest, ASiteWithAPortIsProbedAndFetchedThere) {
    int closedPort = 0;
    {
        testkit::HttpServer gone;
        closedPort = gone.Port();
    }
    const std::string newer = "4\r\nStar Quest#1A2B#3\r\n";
    server.Route("/zip/DATA.KVX", HttpRoute::Ok(newer));
    server.Route("/zip/DEVELOPPER.KVX", HttpRoute::Ok("8\r\n"));
    program.updatePort = closedPort;
    for (const std::string& site : {"127.0.0.1:" + std::to_string(server.Port()),
                                    "http://127.0.0.1:" + std::to_string(server.Port())}) {
        start.dir.Write("DATA.KVX", LOCAL_DATABASE);
        LoadDatabases(program);
        program.updateSite = site;
        program.pane.ClearPane();
        UpdateDatabases(program, TEST_LIMITS);
        EXPECT_EQ(start.dir.Read("DATA.KVX"), newer) << site;
        EXPECT_EQ(program.database.version, 4) << site;
        EXPECT_EQ(program.pane.Text(), "") << site;
    }
}

// A real HTTPS server with a certificate made for this test: trusted, it delivers; trusted through
// the wrong authority or reached under a name its certificate doesn't carry, nothing is installed
// and the line says why.
TEST_F(UpdateTest, AnHttpsSiteIsUsedOnlyWithAVerifiedCertificate) {
    testkit::TempFolder served;
    const std::string newer = "4\r\nStar Quest#1A2B#3\r\nNebula Drift#3C4D#2\r\n";
    served.Write("zip/DATA.KVX", newer);
    served.Write("zip/DEVELOPPER.KVX", "8\r\n25#Nimbus Works\r\n");
    testkit::HttpsServer https(served.Path());
    CARTOVEX_REQUIRE_HTTPS_SERVER(https);
    const std::string port = std::to_string(https.Port());

    struct Case {
        const char* what;
        std::string authority, site;
    };
    const Case refused[] = {
        {"another authority", https.OtherAuthority(), "https://127.0.0.1:" + port},
        {"a name not on the certificate", https.Authority(), "https://localhost:" + port}};
    for (const Case& c : refused) {
        network.TrustOnlyAuthoritiesIn(c.authority);
        program.updateSite = c.site;
        program.pane.ClearPane();
        UpdateDatabases(program, TEST_LIMITS);
        ExpectLocalFilesKept();
        const std::vector<std::string> lines = PaneLines(program.pane.Text());
        ASSERT_EQ(lines.size(), 3u) << c.what << ": " << program.pane.Text();
        for (const auto& [line, name] :
             {std::pair{lines[1], "DATA.KVX"}, std::pair{lines[2], "DEVELOPPER.KVX"}}) {
            const std::string start = name + std::string(
                                                 " was not updated: the site's certificate could not "
                                                 "be verified (");
            EXPECT_TRUE(line.starts_with(start) && line.ends_with(").") && line.size() > start.size() + 2)
                << c.what << ": " << line;
        }
    }

    network.TrustOnlyAuthoritiesIn(https.Authority());
    program.updateSite = "https://127.0.0.1:" + port;
    program.pane.ClearPane();
    UpdateDatabases(program, TEST_LIMITS);
    EXPECT_EQ(program.pane.Text(), "");
    EXPECT_EQ(start.dir.Read("DATA.KVX"), newer);
    EXPECT_EQ(program.database.version, 4);
    EXPECT_EQ(program.developers.version, 8);
}

}  // namespace
}  // namespace cartovex
