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
    if (!initialised || url.rfind("http://", 0) != 0) return download;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return download;
    Sink sink{{}, maxBytes};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    // Plain HTTP only, redirects included: a redirect to file:// or another scheme is refused.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http");
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
