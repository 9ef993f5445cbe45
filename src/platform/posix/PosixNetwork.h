// The network on Linux: a TCP probe over sockets, downloads through libcurl.
#pragma once

#include <string>

#include "platform/Network.h"

namespace cartovex {

class PosixNetwork : public Network {
public:
    bool Probe(const std::string& host, int port, int timeoutMs) override;
    Download Fetch(const std::string& url, uint64_t maxBytes, int timeoutSeconds) override;

    /// For tests: trust only the certificate authorities in this PEM file, instead of the system's,
    /// so a loopback HTTPS server with a certificate made for the test can be verified. Verification
    /// itself is never turned off.
    void TrustOnlyAuthoritiesIn(std::string pemFile) { trustedAuthorities_ = std::move(pemFile); }

private:
    std::string trustedAuthorities_;
};

}  // namespace cartovex
