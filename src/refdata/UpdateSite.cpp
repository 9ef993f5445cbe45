#include "refdata/UpdateSite.h"

#include <string_view>

#include "common/Text.h"

namespace cartovex {

namespace {

constexpr int HTTP_PORT = 80;
constexpr int HTTPS_PORT = 443;
constexpr size_t SHOWN_SITE_LIMIT = 100;

const char* const PORT_PROBLEM = "the port must be a number from 1 to 65535";
const char* const BRACKET_PROBLEM = "brackets must hold an IPv6 address, as in [::1]:8765";

SiteReading Unusable(std::string problem) {
    return {std::nullopt, std::move(problem)};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A host name as resolvers take it; anything else would end up verbatim inside the download address.
bool IsHostName(std::string_view host) {
    for (char c : host)
        if (!IsLetter(c) && !IsDigit(c) && c != '-' && c != '.' && c != '_') return false;
    return true;
}

bool IsIpv6Literal(std::string_view text) {
    if (text.find(':') == std::string_view::npos) return false;
    for (char c : text)
        if (!IsHexDigit(c) && c != ':' && c != '.') return false;
    return true;
}

// 0 for anything that is no port: empty, not all digits, 0 itself or beyond 65535.
int PortOf(std::string_view text) {
    if (text.empty()) return 0;
    for (char c : text)
        if (!IsDigit(c)) return 0;
    // Leading zeros don't make a port bigger.
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.size() > 5) return 0;
    int port = 0;
    for (char c : text) port = port * 10 + (c - '0');
    return port <= 65535 ? port : 0;
}

}  // namespace

SiteReading ReadUpdateSite(const std::string& site, int plainPort) {
    // An empty site stays what it always was: a probe that names no host and so reaches none.
    if (site.empty()) return {SiteAddress{false, "", plainPort, "http://"}, ""};
    for (unsigned char c : site)
        if (c <= 0x20 || c == 0x7F) return Unusable("it holds a blank or a control character");

    SiteAddress address;
    std::string_view rest = site;
    const size_t schemeEnd = rest.find("://");
    if (schemeEnd != std::string_view::npos) {
        const std::string scheme = AsciiLower(rest.substr(0, schemeEnd));
        if (scheme != "http" && scheme != "https") return Unusable("the scheme must be http:// or https://");
        address.secure = scheme == "https";
        rest.remove_prefix(schemeEnd + 3);
    }
    const size_t pathStart = rest.find('/');
    if (pathStart != std::string_view::npos)
        return Unusable("a path can't follow the host (the files are always fetched from /zip/)");
    if (rest.find('@') != std::string_view::npos) return Unusable("a user name can't go before the host");

    std::string_view host = rest;
    std::string_view port;
    bool portGiven = false;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos) return Unusable(BRACKET_PROBLEM);
        host = rest.substr(1, close - 1);
        if (!IsIpv6Literal(host)) return Unusable(BRACKET_PROBLEM);
        std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return Unusable(BRACKET_PROBLEM);
            port = after.substr(1);
            portGiven = true;
        }
    } else {
        if (rest.find_first_of("[]") != std::string_view::npos) return Unusable(BRACKET_PROBLEM);
        const size_t colon = rest.find(':');
        if (colon != std::string_view::npos) {
            if (rest.find(':', colon + 1) != std::string_view::npos)
                return Unusable("an IPv6 address goes in brackets, as in [::1]:8765");
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            portGiven = true;
        }
        if (!host.empty() && !IsHostName(host))
            return Unusable("a host name holds only letters, digits, dots, hyphens and underscores");
    }
    if (host.empty()) return Unusable("it names no host");

    if (portGiven) {
        address.port = PortOf(port);
        if (address.port == 0) return Unusable(PORT_PROBLEM);
    } else {
        address.port = address.secure ? HTTPS_PORT : plainPort;
    }
    address.host = std::string(host);
    const bool ipv6 = host.find(':') != std::string_view::npos;
    address.base = std::string(address.secure ? "https://" : "http://") +
                   (ipv6 ? "[" + address.host + "]" : address.host);
    if (address.port != (address.secure ? HTTPS_PORT : HTTP_PORT))
        address.base += ":" + std::to_string(address.port);
    return {std::move(address), ""};
}

std::string UnusableSiteLine(const std::string& site, const std::string& problem) {
    // The site goes into the pane as one line whatever the file held.
    std::string shown;
    for (unsigned char c : site.substr(0, SHOWN_SITE_LIMIT))
        shown += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    if (site.size() > SHOWN_SITE_LIMIT) shown += "...";
    return "The update site \"" + shown + "\" in Cartovex.ini can't be used: " + problem + ".";
}

}  // namespace cartovex
