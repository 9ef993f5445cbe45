#include "platform/posix/PosixNetwork.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

struct Sink {
    FILE* file;
    uint64_t written = 0;
    uint64_t limit;
    bool tooLarge = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    size_t bytes = size * count;
    if (sink->written + bytes > sink->limit) {
        sink->tooLarge = true;
        return 0;  // aborts the transfer
    }
    sink->written += bytes;
    return std::fwrite(data, 1, bytes, sink->file);
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

bool PosixNetwork::Download(const std::string& url, const std::string& path, uint64_t maxBytes,
                            int timeoutSeconds) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised || url.rfind("http://", 0) != 0) return false;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return false;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    Sink sink{file.get(), 0, maxBytes};
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
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    bool ok = curl_easy_perform(c) == CURLE_OK && !sink.tooLarge;
    ok = (std::fclose(file.release()) == 0) && ok;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace cartovex
