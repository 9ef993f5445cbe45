// An HTTPS server on loopback for tests of the update: it serves the files of a folder with a
// certificate for 127.0.0.1 that an authority made for this server alone has signed, so a client
// that trusts that authority verifies it and one that trusts any other refuses it. The keys are made
// with openssl and the server is Python's, both Debian packages the tests group installs. It stops
// when destroyed, and on its own after a minute whatever happens to the test.
#pragma once

#include <sys/types.h>

#include <string>

#include "testkit/TempFolder.h"

namespace cartovex::testkit {

class HttpsServer {
public:
    /// Serves the files below `folder` (a request for /zip/DATA.KVX reads folder/zip/DATA.KVX).
    explicit HttpsServer(std::string folder);
    ~HttpsServer();
    HttpsServer(const HttpsServer&) = delete;
    HttpsServer& operator=(const HttpsServer&) = delete;

    /// Empty when the server runs; else what is missing or went wrong.
    const std::string& Problem() const { return problem_; }
    int Port() const { return port_; }
    /// The PEM file of the authority that signed the server's certificate.
    std::string Authority() const { return keys_ / "authority.pem"; }
    /// The PEM file of another authority, which signed nothing this server shows.
    std::string OtherAuthority() const { return keys_ / "other.pem"; }

private:
    bool MakeKeys();

    TempFolder keys_;
    pid_t server_ = -1;
    int port_ = 0;
    std::string problem_;
};

}  // namespace cartovex::testkit

/// In a test that needs the HTTPS server: skips it on a machine without openssl or python3, but
/// fails it in CI, which installs them (scripts/install-deps.sh tests).
#define CARTOVEX_REQUIRE_HTTPS_SERVER(server)                    \
    do {                                                         \
        if (!(server).Problem().empty()) {                       \
            if (std::getenv("CI")) FAIL() << (server).Problem(); \
            GTEST_SKIP() << (server).Problem();                  \
        }                                                        \
    } while (false)
