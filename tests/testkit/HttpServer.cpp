#include "testkit/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace cartovex::testkit {

HttpServer::HttpServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
}

void HttpServer::Route(const std::string& path, HttpRoute route) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(route);
}

std::vector<std::string> HttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpServer::Serve() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) continue;
        int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        Answer(client);
        close(client);
    }
}

static bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void HttpServer::Answer(int client) {
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd waiting{client, POLLIN, 0};
        if (poll(&waiting, 1, 2000) <= 0) return;
        ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
    size_t start = request.find(' ') + 1;
    std::string path = request.substr(start, request.find(' ', start) - start);
    HttpRoute route;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(path);
        auto it = routes_.find(path);
        if (it == routes_.end()) {
            route.status = 404;
            route.body = "<html><body>Not found</body></html>";
        } else {
            route = it->second;
        }
    }
    std::string head = "HTTP/1.1 " + std::to_string(route.status) + " X\r\nConnection: close\r\n";
    if (!route.location.empty()) head += "Location: " + route.location + "\r\n";
    if (!route.endless && route.announceLength)
        head += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
    route.body = route.body.substr(0, route.sendOnly);
    head += "\r\n";
    if (!SendAll(client, head)) return;
    do {
        if (route.trickleDelayMs == 0) {
            if (!SendAll(client, route.body)) return;
        } else {
            for (char c : route.body) {
                if (stopping_ || !SendAll(client, std::string(1, c))) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(route.trickleDelayMs));
            }
        }
    } while (route.endless && !stopping_);
}

}  // namespace cartovex::testkit
