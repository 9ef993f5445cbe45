// The process and network backends against real programs and a real loopback server.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/posix/PosixNetwork.h"
#include "platform/posix/PosixProcess.h"
#include "testkit/HttpServer.h"
#include "testkit/HttpsServer.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

using testkit::HttpRoute;

TEST(PosixProcess, PassesEachArgumentWholeInTheWorkingFolder) {
    testkit::TempFolder dir;
    PosixProcess process;
    std::string longPath(300, 'x');
    auto status =
        process.Run("/bin/sh", {"-c", "printf '%s|%s' \"$0\" \"$(pwd)\" > out.txt", "a b \"c\" " + longPath},
                    ShowState::Normal, dir.Path());
    ASSERT_EQ(status, 0);
    EXPECT_EQ(dir.Read("out.txt"), "a b \"c\" " + longPath + "|" + dir.Path());
}

TEST(PosixProcess, FindsABareNameInTheWorkingFolderFirst) {
    testkit::TempFolder dir;
    dir.Write("tool", "#!/bin/sh\nexit 7\n");
    chmod((dir / "tool").c_str(), 0755);
    PosixProcess process;
    EXPECT_EQ(process.Run("tool", {}, ShowState::Hidden, dir.Path()), 7);
    EXPECT_EQ(process.Run("sh", {"-c", "exit 3"}, ShowState::Hidden, dir.Path()), 3);  // from the search path
}

TEST(PosixProcess, ReportsWhatCouldNotBeStarted) {
    testkit::TempFolder dir;
    PosixProcess process;
    EXPECT_FALSE(process.Run("no-such-program-here", {}, ShowState::Hidden, dir.Path()));
    EXPECT_FALSE(process.Run("/bin/true", {}, ShowState::Hidden, dir / "missing-folder"));
}

class PosixNetworkTest : public ::testing::Test {
protected:
    testkit::HttpServer server;
    PosixNetwork network;
    std::string Url(const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
    }
};

TEST_F(PosixNetworkTest, ProbeConnectsToAListeningPortOnly) {
    EXPECT_TRUE(network.Probe("127.0.0.1", server.Port(), 1000));
    EXPECT_FALSE(network.Probe("", server.Port(), 1000));
    EXPECT_FALSE(network.Probe("host.invalid", 80, 1000));
    testkit::HttpServer other;
    int closedPort = other.Port();
    {
        testkit::HttpServer gone;
        closedPort = gone.Port();
    }
    EXPECT_FALSE(network.Probe("127.0.0.1", closedPort, 1000));
}

TEST_F(PosixNetworkTest, FetchBringsTheWholeBody) {
    server.Route("/zip/DATA.KVX", HttpRoute::Ok("12\r\nentry\r\n"));
    server.Route("/unannounced", HttpRoute::CutShort("7\r\nall of it\r\n", std::string::npos, false));
    for (const char* path : {"/zip/DATA.KVX", "/unannounced"}) {
        const Download download = network.Fetch(Url(path), 1 << 20, 10);
        EXPECT_EQ(download.outcome, Download::Outcome::COMPLETE) << path;
        EXPECT_EQ(download.body, path[1] == 'z' ? "12\r\nentry\r\n" : "7\r\nall of it\r\n") << path;
    }
}

TEST_F(PosixNetworkTest, FailedFetchesBringNothingAndA404IsToldApart) {
    server.Route("/big", HttpRoute::Ok(std::string(5000, 'x')));
    server.Route("/endless", HttpRoute::Endless("0123456789"));
    server.Route("/trickle", HttpRoute::Trickle(std::string(100, 'x'), 50));
    server.Route("/to-file", HttpRoute::Redirect(302, "file:///etc/passwd"));
    server.Route("/cut", HttpRoute::CutShort("12\r\nFirst#1#0\r\nSecond#2#0\r\n", 9, true));
    server.Route("/error", HttpRoute{500, "12\r\n", "", 0, false});
    struct Case {
        const char* name;
        std::string url;
        Download::Outcome outcome = Download::Outcome::FAILED;
    } cases[] = {{"404", Url("/missing"), Download::Outcome::NOT_FOUND},
                 {"server error", Url("/error")},
                 {"too large", Url("/big")},
                 {"endless", Url("/endless")},
                 {"trickle", Url("/trickle")},
                 {"shorter than announced", Url("/cut")},
                 {"redirect to a file", Url("/to-file")},
                 {"not http", "file:///etc/hostname"}};
    for (const auto& c : cases) {
        auto started = std::chrono::steady_clock::now();
        const Download download = network.Fetch(c.url, 4096, 1);
        EXPECT_EQ(download.outcome, c.outcome) << c.name;
        EXPECT_EQ(download.body, "") << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << c.name;
    }
}

TEST_F(PosixNetworkTest, FollowsPlainHttpRedirects) {
    server.Route("/old", HttpRoute::Redirect(301, Url("/new")));
    server.Route("/new", HttpRoute::Ok("7\r\n"));
    const Download download = network.Fetch(Url("/old"), 4096, 5);
    EXPECT_EQ(download.outcome, Download::Outcome::COMPLETE);
    EXPECT_EQ(download.body, "7\r\n");
}

// Public hosts send plain HTTP on to HTTPS; that move is followed, and verified like any other.
TEST_F(PosixNetworkTest, APlainSiteMayMoveUpToAVerifiedHttpsOne) {
    testkit::TempFolder served;
    served.Write("zip/DATA.KVX", "9\r\n");
    testkit::HttpsServer https(served.Path());
    CARTOVEX_REQUIRE_HTTPS_SERVER(https);
    server.Route(
        "/zip/DATA.KVX",
        HttpRoute::Redirect(301, "https://127.0.0.1:" + std::to_string(https.Port()) + "/zip/DATA.KVX"));
    network.TrustOnlyAuthoritiesIn(https.OtherAuthority());
    const Download refused = network.Fetch(Url("/zip/DATA.KVX"), 4096, 5);
    EXPECT_EQ(refused.outcome, Download::Outcome::UNTRUSTED);
    EXPECT_EQ(refused.body, "");
    EXPECT_NE(refused.reason.find("certificate"), std::string::npos) << refused.reason;
    network.TrustOnlyAuthoritiesIn(https.Authority());
    const Download moved = network.Fetch(Url("/zip/DATA.KVX"), 4096, 5);
    EXPECT_EQ(moved.outcome, Download::Outcome::COMPLETE);
    EXPECT_EQ(moved.body, "9\r\n");
}

}  // namespace
}  // namespace cartovex
