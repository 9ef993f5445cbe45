// The update's network operations on Windows: a Winsock connection probe and URLDownloadToFileA.
#pragma once

#include "platform/Network.h"

namespace cartovex {

class Win32Network : public Network {
public:
    Win32Network();
    ~Win32Network() override;
    Win32Network(const Win32Network&) = delete;
    Win32Network& operator=(const Win32Network&) = delete;

    bool Probe(const std::string& host, int port, int timeoutMs) override;
    Download Fetch(const std::string& url, uint64_t maxBytes, int timeoutSeconds) override;

private:
    bool winsockReady_ = false;
};

}  // namespace cartovex
