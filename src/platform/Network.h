// The two network operations of the database update.
#pragma once

#include <cstdint>
#include <string>

namespace cartovex {

class Network {
public:
    virtual ~Network() = default;
    /// Opens a TCP connection to host:port and closes it at once; false when the host can't be
    /// resolved or the connection fails within `timeoutMs`.
    virtual bool Probe(const std::string& host, int port, int timeoutMs) = 0;
    /// Stores the body of an http:// address in `path`. Fails on any other scheme (redirects
    /// included), on an HTTP error status, when the body exceeds `maxBytes` or the transfer takes
    /// longer than `timeoutSeconds`.
    virtual bool Download(const std::string& url, const std::string& path, uint64_t maxBytes,
                          int timeoutSeconds) = 0;
};

}  // namespace cartovex
