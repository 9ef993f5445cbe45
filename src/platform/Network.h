// The two network operations of the database update.
#pragma once

#include <cstdint>
#include <string>

namespace cartovex {

/// What a download brought.
struct Download {
    enum class Outcome {
        COMPLETE,   // the whole body: a success status, and as many bytes as the server announced
        NOT_FOUND,  // the server has no such file (404)
        UNTRUSTED,  // an https:// site whose certificate failed verification (authority or host name)
        FAILED,     // anything else: no answer, an error status, a body cut short, too big or too slow
    };
    Outcome outcome = Outcome::FAILED;
    /// The body, when COMPLETE.
    std::string body;
    /// Why the certificate was refused, when UNTRUSTED: one line of the backend's words.
    std::string reason;
};

class Network {
public:
    virtual ~Network() = default;
    /// Opens a TCP connection to host:port and closes it at once; false when the host can't be
    /// resolved or the connection fails within `timeoutMs`.
    virtual bool Probe(const std::string& host, int port, int timeoutMs) = 0;
    /// Fetches the body of an http:// or https:// address into memory, verifying an HTTPS site's
    /// certificate and host name. Fails on any other scheme, on a redirect to another scheme or from
    /// HTTPS down to HTTP, on an HTTP error status, when the body exceeds `maxBytes`, when it is
    /// shorter than the length the server announced, or when the transfer takes longer than
    /// `timeoutSeconds`.
    virtual Download Fetch(const std::string& url, uint64_t maxBytes, int timeoutSeconds) = 0;
};

}  // namespace cartovex
