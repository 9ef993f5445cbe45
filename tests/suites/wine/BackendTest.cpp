// The Win32 file, process and network backends against the real system calls (run under Wine by
// tests/suites/wine/run.sh), and the desktop program's icon resource.
//
//   cartovex-win32-backend-test FOLDER [CARTOVEX.EXE]     works in FOLDER, which it empties first
//   cartovex-win32-backend-test --echo OUTPUT ARG...      (child mode) writes its arguments and folder
//   cartovex-win32-backend-test --exit N                  (child mode) ends with status N
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/CommandLine.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32Network.h"
#include "platform/win32/Win32Process.h"
#include "platform/win32/WindowsHeaders.h"
#include "platform/win32/window/ScreenFit.h"
#include "wine/Check.h"

using namespace cartovex;

namespace {

wine::Checks checks;
Win32Files files;

std::string SelfPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::vector<std::string> Everything(const std::string& folder) {
    // Every entry, hidden ones included, to see what a call left behind.
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

// The id of a process of ours that has ended, and whose id no longer names any process.
DWORD EndedProcessId() {
    std::string commandLine = "\"" + SelfPath() + "\" --exit 0";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return 0;
    WaitForSingleObject(started.hProcess, 10000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return started.dwProcessId;
}

void Touch(const std::string& path, const std::string& content = "x") {
    if (!files.WriteFile(path, content)) checks.Note("could not write " + path);
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : ",") + name;
    return text;
}

void TestCommandLine() {
    struct Case {
        std::string argument, quoted;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\path\\", "C:\\path\\"},
        {"C:\\my path\\", "\"C:\\my path\\\\\""},
        {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},
        {"tab\there", "\"tab\there\""},
    };
    for (const Case& c : cases)
        checks.Equal(QuoteArgument(c.argument), c.quoted, "quoting [" + c.argument + "]");
    checks.Equal(BuildCommandLine("C:\\conv\\convkvx110", {"-o", "a b"}),
                 std::string("\"C:\\conv\\convkvx110\" -o \"a b\""),
                 "the program name is quoted, the arguments as needed");
}

void TestProcess(const std::string& root) {
    Win32Process process;
    std::string self = SelfPath();
    std::string folder = files.Join(root, "process");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string output = files.Join(folder, "args.txt");

    // Each argument must come back whole, the long one uncut.
    std::vector<std::string> arguments = {
        "plain",         "",         "two words", "say \"hi\"",
        "C:\\my path\\", "a\\\\\"b", "tab\there", "(CONV to u)" + std::string(300, 'x') + " end"};
    std::vector<std::string> passed = {"--echo", output};
    passed.insert(passed.end(), arguments.begin(), arguments.end());
    auto status = process.Run(self, passed, ShowState::Hidden, folder);
    checks.Equal(status.value_or(-1), 0, "a started program's status comes back");
    std::string expected = folder + "\n";
    for (const auto& a : arguments) expected += "[" + a + "]\n";
    checks.Equal(files.ReadFile(output).value_or(""), expected,
                 "every argument arrives whole, in the working folder");

    // A bare name is found in the working folder, ".exe" added, before the search path.
    std::string tools = files.Join(folder, "tools");
    CreateDirectoryA(tools.c_str(), nullptr);
    CopyFileA(self.c_str(), files.Join(tools, "convtool.exe").c_str(), FALSE);
    checks.Equal(process.Run("convtool", {"--exit", "7"}, ShowState::Normal, tools).value_or(-1), 7,
                 "a bare name runs the program in the working folder");
    checks.Expect(!process.Run("convtool", {"--exit", "7"}, ShowState::Normal, folder).has_value(),
                  "a bare name found nowhere doesn't start");
    checks.Expect(
        !process.Run(self, {"--exit", "0"}, ShowState::Hidden, files.Join(folder, "missing")).has_value(),
        "a missing working folder doesn't start");
}

void TestListings(const std::string& root) {
    std::string folder = files.Join(root, "listing");
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name :
         {"b.BIN", "a.bin", "C.bin", "image.binary", "track.mp3", "hidden.bin", "system.bin"})
        Touch(files.Join(folder, name));
    SetFileAttributesA(files.Join(folder, "hidden.bin").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(files.Join(folder, "system.bin").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA(files.Join(folder, "folder.bin").c_str(), nullptr);
    CreateDirectoryA(files.Join(folder, "sub").c_str(), nullptr);
    Touch(files.Join(folder, "sub\\z.iso"));
    Touch(files.Join(folder, "sub\\A.ZIP"));

    std::string before = files.CurrentDirectory();
    checks.Expect(files.SetCurrentDirectory(folder), "the listing folder becomes current");
    checks.Equal(files.CurrentDirectory(), folder, "the current directory reads back as set");
    checks.Equal(Joined(files.ListCurrentFolder("*.bin")), std::string("a.bin,b.BIN,C.bin"),
                 "*.bin lists ordinary visible files of any case, by name, and no 8.3 matches");
    checks.Equal(Joined(files.ListCurrentFolder("*")),
                 std::string("a.bin,b.BIN,C.bin,image.binary,track.mp3"), "* lists no folders");
    files.SetCurrentDirectory(before);
    checks.Equal(Joined(files.ListTopLevel(folder)),
                 std::string("a.bin,b.BIN,C.bin,folder.bin,image.binary,sub,track.mp3"),
                 "the top level lists files and folders by name, hidden ones left out");
    checks.Equal(Joined(files.ListFilesRecursive(folder, {"bin", "iso", "zip"})),
                 folder + "\\a.bin," + folder + "\\b.BIN," + folder + "\\C.bin," + folder + "\\sub\\A.ZIP," +
                     folder + "\\sub\\z.iso",
                 "the recursive listing gives each folder's files, then its sub-folders");
    ListingFailures failures;
    checks.Expect(files.ListTopLevel(files.Join(folder, "missing"), &failures).empty() && failures.empty(),
                  "a missing folder lists nothing and is no failure");
    const std::string tooLong = files.Join(folder, std::string(150, 'l') + "\\" + std::string(150, 'l'));
    files.ListFilesRecursive(tooLong, {"iso"}, &failures);
    checks.Expect(failures.size() == 1 && failures[0].reason == ListingFailure::Reason::TOO_LONG &&
                      failures[0].folder == tooLong,
                  "a path beyond MAX_PATH is named as too long");
}

void TestFiles(const std::string& root) {
    std::string folder = files.Join(root, "files");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string data = files.Join(folder, "data.bin");
    std::string content;
    for (int i = 0; i < 5000; ++i) content += static_cast<char>(i * 7);
    checks.Expect(files.WriteFile(data, content), "a new file is written");
    checks.Equal(files.FileLength(data).value_or(0), uint64_t{5000}, "its length");
    uint8_t part[16] = {};
    checks.Equal(files.ReadAt(data, 4990, part).value_or(0), size_t{10}, "a read at the end gets the rest");
    checks.Expect(part[0] == static_cast<uint8_t>(4990 * 7) && part[9] == static_cast<uint8_t>(4999 * 7),
                  "the bytes at the offset");
    checks.Equal(files.ReadAt(data, 9000, part).value_or(99), size_t{0}, "a read past the end gets nothing");
    checks.Expect(files.IsRegularFile(data) && !files.IsDirectory(data), "a file is a regular file");
    checks.Expect(!files.FileLength(folder) && !files.ReadAt(folder, 0, part) && !files.IsRegularFile(folder),
                  "a folder has no length and can't be read");
    checks.Expect(!files.IsRegularFile("NUL") && !files.FileLength("CON") && !files.ReadAt("NUL", 0, part),
                  "devices are no regular files");
    checks.Expect(!files.FileLength(files.Join(folder, "missing")), "a missing file has no length");

    checks.Expect(files.WriteFile(data, "short"), "a file is replaced");
    checks.Equal(files.ReadFile(data).value_or(""), std::string("short"), "the replaced content");
    checks.Expect(!files.WriteFile(folder, "x"), "a folder is not written over");
    checks.Expect(!files.WriteFile(files.Join(folder, "missing\\new.txt"), "x"),
                  "no file in a missing folder");
    checks.Equal(Joined(Everything(folder)), std::string("data.bin"),
                 "writing leaves no temporary file behind");

    // A link where a file is to be written is neither written through nor replaced.
    const std::string link = files.Join(folder, "link.txt");
    // Some Wine versions say yes to CreateSymbolicLinkA and make nothing.
    if (CreateSymbolicLinkA(link.c_str(), data.c_str(), 0) && files.Exists(link)) {
        checks.Expect(!files.WriteFile(link, "through"), "a link is not written");
        checks.Equal(files.ReadFile(data).value_or(""), std::string("short"), "nor what it points to");
        DeleteFileA(link.c_str());
    } else {
        checks.Skip("no symbolic links here");
    }

    // A scratch file of a process that is gone goes with the next write into its folder; one of a
    // live process, this one, stays.
    std::string machine(MAX_COMPUTERNAME_LENGTH + 1, '\0');
    DWORD size = static_cast<DWORD>(machine.size());
    GetComputerNameA(machine.data(), &size);
    machine.resize(size);
    const std::string stale = ScratchFileName(ScratchHostPart(machine), EndedProcessId(), 1);
    const std::string live = ScratchFileName(ScratchHostPart(machine), GetCurrentProcessId(), 2);
    std::string scratchFolder = files.Join(root, "scratch");
    CreateDirectoryA(scratchFolder.c_str(), nullptr);
    // Made by hand: a write through the backend would be its first in the folder and clear it.
    for (const std::string& name : {stale, live})
        CloseHandle(CreateFileA(files.Join(scratchFolder, name).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
    checks.Expect(files.WriteFile(files.Join(scratchFolder, "report.txt"), "r"),
                  "a file is written beside them");
    checks.Equal(Joined(Everything(scratchFolder)), live + ",report.txt",
                 "the dead process's scratch file is gone, the live one's kept");

    // Renames never replace; the same name and a case-only rename work.
    std::string other = files.Join(folder, "other.bin");
    Touch(other, "other");
    checks.Expect(!files.Rename(data, other), "a rename onto a taken name fails");
    checks.Equal(files.ReadFile(other).value_or(""), std::string("other"),
                 "the taken name keeps its content");
    checks.Expect(files.Exists(data), "the source is still there");
    checks.Expect(files.Rename(data, data), "a rename to the same name succeeds");
    std::string upper = files.Join(folder, "DATA.bin");
    checks.Expect(files.Rename(data, upper), "a case-only rename succeeds");
    checks.Equal(Joined(Everything(folder)), std::string("DATA.bin,other.bin"), "the new spelling is listed");
    checks.Expect(files.Rename(upper, files.Join(folder, "moved.bin")), "a rename to a free name succeeds");
    checks.Expect(!files.Rename(files.Join(folder, "missing"), files.Join(folder, "x")),
                  "a missing source fails");
    std::string sub = files.Join(folder, "sub");
    CreateDirectoryA(sub.c_str(), nullptr);
    checks.Expect(files.Rename(sub, files.Join(folder, "Renamed Folder")), "a folder is renamed");
    checks.Expect(!files.Rename(files.Join(folder, "Renamed Folder"), other),
                  "a folder doesn't replace a file");

    checks.Expect(files.ReplaceFile(other, files.Join(folder, "moved.bin")), "ReplaceFile replaces");
    checks.Equal(files.ReadFile(files.Join(folder, "moved.bin")).value_or(""), std::string("other"),
                 "the replacement's content");

    std::string locked = files.Join(folder, "locked.txt");
    Touch(locked);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    checks.Expect(!files.DeleteFile(locked), "a read-only file can't be deleted");
    checks.Expect(files.ClearAttributes(locked) && !(GetFileAttributesA(locked.c_str()) &
                                                     (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)),
                  "its attributes are cleared");
    checks.Expect(files.DeleteFile(locked) && !files.Exists(locked), "then it is deleted");
}

// A loopback HTTP server for the download tests: a fixed answer per path, a bounded number of
// connections, and a time limit on each wait.
struct Server {
    SOCKET listener = INVALID_SOCKET;
    int port = 0;
    std::string bigBody = std::string(5000, 'b');
};

std::string Answer(const Server& server, const std::string& request) {
    auto ok = [](const std::string& body) {
        return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
    };
    if (request.rfind("GET /zip/DATA.KVX ", 0) == 0) return ok("42\r\nline\r\n");
    if (request.rfind("GET /big ", 0) == 0) return ok(server.bigBody);
    if (request.rfind("GET /moved ", 0) == 0)
        return "HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:" + std::to_string(server.port) +
               "/zip/DATA.KVX\r\nContent-Length: 0\r\n\r\n";
    if (request.rfind("GET /cut ", 0) == 0) return "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\n42\r\nline";
    if (request.rfind("GET /unannounced ", 0) == 0) return "HTTP/1.0 200 OK\r\n\r\n7\r\nall\r\n";
    if (request.rfind("GET /error ", 0) == 0) return "HTTP/1.0 500 Oops\r\nContent-Length: 4\r\n\r\n42\r\n";
    if (request.rfind("GET /elsewhere ", 0) == 0)
        return "HTTP/1.0 302 Found\r\nLocation: ftp://127.0.0.1/x\r\nContent-Length: 0\r\n\r\n";
    return "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 9\r\n\r\nnot found";
}

DWORD WINAPI Serve(void* argument) {
    auto* server = static_cast<Server*>(argument);
    for (int served = 0; served < 20; ++served) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(server->listener, &readable);
        timeval limit{10, 0};
        if (select(0, &readable, nullptr, nullptr, &limit) <= 0) break;
        SOCKET client = accept(server->listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) break;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
            int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<size_t>(n));
        }
        std::string answer = Answer(*server, request);
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
        shutdown(client, SD_SEND);
        closesocket(client);
    }
    return 0;
}

SOCKET Listen(int& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

void TestNetwork() {
    Win32Network network;  // starts Winsock for this test too
    Server server;
    server.listener = Listen(server.port);
    if (!checks.Expect(server.listener != INVALID_SOCKET, "a loopback server listens")) return;
    int closedPort = 0;
    SOCKET closed = Listen(closedPort);
    closesocket(closed);

    checks.Expect(network.Probe("127.0.0.1", server.port, 3000), "the probe reaches a listening port");
    checks.Expect(!network.Probe("127.0.0.1", closedPort, 3000), "the probe fails on a closed port");
    checks.Expect(!network.Probe("", server.port, 3000), "an empty host is no update site");

    // The probe's connection was accepted and closed by the server thread, which starts now; it
    // answers each connection once.
    HANDLE thread = CreateThread(nullptr, 0, Serve, &server, 0, nullptr);
    std::string base = "http://127.0.0.1:" + std::to_string(server.port);
    auto fetched = [&](const std::string& path, uint64_t limit) {
        return network.Fetch(base + path, limit, 30);
    };
    const Download whole = fetched("/zip/DATA.KVX", 16 << 20);
    checks.Expect(whole.outcome == Download::Outcome::COMPLETE && whole.body == "42\r\nline\r\n",
                  "a download brings the whole body");
    checks.Expect(fetched("/big", 1000).outcome == Download::Outcome::FAILED,
                  "a body over the size limit fails");
    checks.Expect(fetched("/missing", 16 << 20).outcome == Download::Outcome::NOT_FOUND,
                  "a 404 is told apart");
    checks.Expect(fetched("/error", 16 << 20).outcome == Download::Outcome::FAILED, "an error status fails");
    const Download moved = fetched("/moved", 16 << 20);
    checks.Expect(moved.outcome == Download::Outcome::COMPLETE && moved.body == "42\r\nline\r\n",
                  "a redirect to another http address is followed");
    checks.Expect(fetched("/elsewhere", 16 << 20).outcome == Download::Outcome::FAILED,
                  "a redirect away from http fails");
    checks.Expect(fetched("/cut", 16 << 20).outcome == Download::Outcome::FAILED,
                  "a body shorter than announced fails");
    const Download unannounced = fetched("/unannounced", 16 << 20);
    checks.Expect(unannounced.outcome == Download::Outcome::COMPLETE && unannounced.body == "7\r\nall\r\n",
                  "a body without an announced length is taken as it comes");
    checks.Expect(
        network.Fetch("file:///C:/windows/win.ini", 16 << 20, 30).outcome == Download::Outcome::FAILED,
        "only http:// addresses are fetched");
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string mine = "-" + std::to_string(GetCurrentProcessId()) + "-";
    bool left = false;
    for (const std::string& name : Everything(temp))
        left |= name.rfind(".cartovex-", 0) == 0 && name.find(mine) != std::string::npos;
    checks.Expect(!left, "no download leaves a file in the temporary folder");
    closesocket(server.listener);
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
}

void TestIcon(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!checks.Expect(module != nullptr, "the desktop program loads as a resource file")) return;
    for (int size : {32, 16}) {
        HICON icon = static_cast<HICON>(LoadImageA(module, "IDI_APP", IMAGE_ICON, size, size, 0));
        checks.Expect(icon != nullptr, "IDI_APP has a " + std::to_string(size) + " pixel image");
        if (icon) DestroyIcon(icon);
    }
    FreeLibrary(module);
}

// The window on screens of several sizes: a work area it fits leaves it as the template made it.
void TestScreenFit() {
    const RECT window{100, 50, 800, 750};  // 700 x 700, the pane 600 x 400
    const SIZE pane{600, 400};
    const struct {
        const char* what;
        RECT work, fitted;
        SIZE loss;
    } cases[] = {
        {"a screen it fits", {0, 0, 1024, 768}, {100, 50, 800, 750}, {0, 0}},
        {"a task bar below it", {0, 0, 1366, 728}, {100, 28, 800, 728}, {0, 0}},
        {"a screen too short", {0, 0, 1024, 600}, {100, 0, 800, 600}, {0, 100}},
        {"a screen too narrow and short", {0, 30, 500, 530}, {0, 30, 500, 530}, {200, 200}},
        {"a screen below the pane's third", {0, 0, 200, 200}, {0, 0, 300, 433}, {400, 267}},
    };
    for (const auto& c : cases) {
        const ScreenFit fit = FitIntoWorkArea(window, c.work, pane);
        checks.Expect(
            EqualRect(&fit.window, &c.fitted) && fit.paneLoss.cx == c.loss.cx && fit.paneLoss.cy == c.loss.cy,
            std::string("the window's place on ") + c.what);
    }
}

int ChildEcho(int argc, char** argv) {
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) return 1;
    std::fprintf(out, "%s\n", files.CurrentDirectory().c_str());
    for (int i = 3; i < argc; ++i) std::fprintf(out, "[%s]\n", argv[i]);
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--echo") return ChildEcho(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == "--exit") return std::atoi(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cartovex-win32-backend-test FOLDER [CARTOVEX.EXE]\n");
        return 2;
    }
    std::string root = argv[1];
    TestCommandLine();
    TestProcess(root);
    TestListings(root);
    TestFiles(root);
    TestNetwork();
    TestScreenFit();
    if (argc > 2) TestIcon(argv[2]);
    return checks.Finish();
}
