// A small HTTP server on loopback for tests of the update: each path answers with a chosen status
// and body, slowly or without end when a test asks for it. It stops when destroyed.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cartovex::testkit {

struct HttpRoute {
    int status = 200;
    std::string body;
    std::string location;                 // sent as a Location header (for redirects)
    int trickleDelayMs = 0;               // pause between bytes of the body
    bool endless = false;                 // keeps sending the body over and over
    bool announceLength = true;           // sends a Content-Length of the whole body
    size_t sendOnly = std::string::npos;  // closes the connection after this many bytes of the body

    static HttpRoute Ok(std::string body) {
        HttpRoute r;
        r.body = std::move(body);
        return r;
    }
    static HttpRoute Redirect(int status, std::string location) {
        HttpRoute r;
        r.status = status;
        r.location = std::move(location);
        return r;
    }
    static HttpRoute Endless(std::string body) {
        HttpRoute r = Ok(std::move(body));
        r.endless = true;
        return r;
    }
    /// Sends the first `sent` bytes of `body` and closes the connection, having announced the
    /// whole body's length or no length at all.
    static HttpRoute CutShort(std::string body, size_t sent, bool announceLength) {
        HttpRoute r = Ok(std::move(body));
        r.sendOnly = sent;
        r.announceLength = announceLength;
        return r;
    }
    static HttpRoute Trickle(std::string body, int delayMs) {
        HttpRoute r = Ok(std::move(body));
        r.trickleDelayMs = delayMs;
        return r;
    }
};

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int Port() const { return port_; }
    void Route(const std::string& path, HttpRoute route);
    /// The paths requested so far, in order.
    std::vector<std::string> Requests() const;

private:
    void Serve();
    void Answer(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, HttpRoute> routes_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace cartovex::testkit
