// The update site as the settings file gives it, read into what the probe and the downloads need.
//
// Three forms are understood, each with an optional ":PORT" (1 to 65535):
//   host                 plain HTTP, on the plain port (80 unless a test serves elsewhere)
//   http://host          the same
//   https://host         HTTPS with the certificate verified, on port 443
// where host is a name, an IPv4 address or an IPv6 address in brackets ("[::1]:8765"). The settings
// file is edited by hand, so anything else is named as such before any connection is tried.
#pragma once

#include <optional>
#include <string>

namespace cartovex {

/// Where the update connects.
struct SiteAddress {
    bool secure = false;
    /// The host as the probe resolves it: an IPv6 address without its brackets.
    std::string host;
    int port = 80;
    /// The scheme, the host and the port as every download address begins, without a slash.
    std::string base;
};

/// A site read: the address, or the reason it can't be used.
struct SiteReading {
    std::optional<SiteAddress> address;
    std::string problem;
};

/// Reads `site`; a site that names no port and no scheme uses `plainPort`. An empty site is kept as
/// an address without a host, which no probe reaches.
SiteReading ReadUpdateSite(const std::string& site, int plainPort);

/// The one line for a site that can't be used.
std::string UnusableSiteLine(const std::string& site, const std::string& problem);

}  // namespace cartovex
