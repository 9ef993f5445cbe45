#include "platform/posix/PosixNetwork.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace cartovex {

namespace {

bool ConnectWithin(const addrinfo& address, int timeoutMs) {
    int fd =
        socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) return false;
    bool connected = connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = poll(&waiting, 1, timeoutMs) == 1 &&
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    close(fd);
    return connected;
}

struct Sink {
    std::string body;
    uint64_t limit;
    bool tooLarge = false;
};

size_t KeepBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    size_t bytes = size * count;
    if (sink->body.size() + bytes > sink->limit) {
        sink->tooLarge = true;
        return 0;  // aborts the transfer
    }
    sink->body.append(data, bytes);
    return bytes;
}

// libcurl's message as one line of the pane.
std::string OneLine(const char* message) {
    std::string line(message);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return line;
}

bool IsCertificateRefused(CURLcode result) {
    return result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE ||
           result == CURLE_SSL_ISSUER_ERROR;
}

}  // namespace

bool PosixNetwork::Probe(const std::string& host, int port, int timeoutMs) {
    // An empty host would resolve to this machine; the update site is a remote host by definition.
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    for (addrinfo* a = found; a; a = a->ai_next)
        if (ConnectWithin(*a, timeoutMs)) return true;
    return false;
}

Download PosixNetwork::Fetch(const std::string& url, uint64_t maxBytes, int timeoutSeconds) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Download download;
    const bool secure = url.rfind("https://", 0) == 0;
    if (!initialised || (!secure && url.rfind("http://", 0) != 0)) return download;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return download;
    Sink sink{{}, maxBytes};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    // HTTP and HTTPS only, redirects included: a redirect to file:// or another scheme is refused,
    // and so is one from an HTTPS site down to plain HTTP, which would undo what HTTPS is for. A
    // plain site may move up to HTTPS, as most public hosts do.
    const char* protocols = secure ? "https" : "http,https";
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    // libcurl's defaults, stated: the certificate must chain to a trusted authority and name the host.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!trustedAuthorities_.empty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, trustedAuthorities_.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
    }
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 3L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, KeepBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    const CURLcode result = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (result == CURLE_HTTP_RETURNED_ERROR && status == 404) {
        download.outcome = Download::Outcome::NOT_FOUND;
        return download;
    }
    if (IsCertificateRefused(result)) {
        download.outcome = Download::Outcome::UNTRUSTED;
        download.reason = OneLine(error[0] ? error : curl_easy_strerror(result));
        return download;
    }
    // A connection closed early is a short body, which libcurl reports when the server announced a
    // length; the count is checked here as well, so nothing rests on that alone.
    curl_off_t announced = -1;
    curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    const bool whole = announced < 0 || static_cast<uint64_t>(announced) == sink.body.size();
    if (result == CURLE_OK && !sink.tooLarge && whole) {
        download.outcome = Download::Outcome::COMPLETE;
        download.body = std::move(sink.body);
    }
    return download;
}

}  // namespace cartovex
