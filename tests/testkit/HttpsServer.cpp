#include "testkit/HttpsServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

namespace cartovex::testkit {

namespace {

constexpr int LIFETIME_SECONDS = 60;

// The server prints its port once it listens; the handshake of a client that gives up (the update's
// probe connects and closes at once) only costs that connection.
const char* const SERVER_SCRIPT = R"(
import http.server, ssl, sys, threading
cert, key, folder, lifetime = sys.argv[1:5]
class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=folder, **kwargs)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
threading.Timer(float(lifetime), server.shutdown).start()
server.serve_forever()
)";

// Both extensions sections are given in full, so no system openssl.cnf decides what the
// certificates say.
const char* const OPENSSL_CONFIG = R"([req]
distinguished_name = name
prompt = no
[name]
CN = Cartovex test
[authority]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
)";

std::string Tool(const std::string& name) {
    const std::string installed = "/usr/bin/" + name;
    return access(installed.c_str(), X_OK) == 0 ? installed : name;
}

// Starts `args` with its standard output going to `out` (or nowhere), its errors nowhere.
pid_t Start(std::vector<std::string> args, int out = -1) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? child : -1;
}

bool Run(std::vector<std::string> args) {
    const pid_t child = Start(std::move(args));
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool HttpsServer::MakeKeys() {
    const std::string config = keys_.Write("openssl.cnf", OPENSSL_CONFIG);
    const std::string openssl = Tool("openssl");
    const std::vector<std::string> newKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                             "-nodes"};
    auto request = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {openssl, "req", "-config", config});
        args.insert(args.end(), newKey.begin(), newKey.end());
        return Run(args);
    };
    for (const char* name : {"authority", "other"})
        if (!request({"-x509", "-extensions", "authority", "-days", "2", "-subj",
                      std::string("/CN=Cartovex test ") + name, "-keyout",
                      keys_ / (name + std::string(".key")), "-out", keys_ / (name + std::string(".pem"))}))
            return false;
    return request({"-new", "-subj", "/CN=127.0.0.1", "-keyout", keys_ / "server.key", "-out",
                    keys_ / "server.csr"}) &&
           Run({openssl, "x509", "-req", "-in", keys_ / "server.csr", "-CA", Authority(), "-CAkey",
                keys_ / "authority.key", "-set_serial", "2", "-days", "2", "-extfile", config, "-extensions",
                "server", "-out", keys_ / "server.pem"});
}

HttpsServer::HttpsServer(std::string folder) {
    if (!MakeKeys()) {
        problem_ = "openssl could not make the test certificates (Debian's openssl)";
        return;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        problem_ = "no pipe for the HTTPS server";
        return;
    }
    server_ = Start({Tool("python3"), "-c", SERVER_SCRIPT, keys_ / "server.pem", keys_ / "server.key", folder,
                     std::to_string(LIFETIME_SECONDS)},
                    pipeEnds[1]);
    close(pipeEnds[1]);
    std::string line;
    char c = 0;
    pollfd waiting{pipeEnds[0], POLLIN, 0};
    while (server_ > 0 && line.size() < 16 && poll(&waiting, 1, 10000) == 1 &&
           read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(pipeEnds[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) problem_ = "the HTTPS server did not start (Debian's python3)";
}

HttpsServer::~HttpsServer() {
    if (server_ <= 0) return;
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
}

}  // namespace cartovex::testkit
