// The network on Linux: a TCP probe over sockets, downloads through libcurl.
#pragma once

#include "platform/Network.h"

namespace cartovex {

class PosixNetwork : public Network {
public:
    bool Probe(const std::string& host, int port, int timeoutMs) override;
    Download Fetch(const std::string& url, uint64_t maxBytes, int timeoutSeconds) override;
};

}  // namespace cartovex
