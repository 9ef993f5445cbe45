#include "platform/win32/WindowsHeaders.h"
// clang-format off
#include <urlmon.h>
// clang-format on

#include <memory>
#include <optional>

#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32Network.h"

namespace cartovex {

namespace {

bool ConnectWithin(const addrinfo& address, int timeoutMs) {
    SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) return false;
    u_long nonBlocking = 1;
    bool connected = false;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) == 0) {
        if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
            connected = true;
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
            // Winsock signals a finished connect as writable and a refused one as an exception.
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
            if (select(0, nullptr, &writable, &failed, &limit) > 0 && FD_ISSET(s, &writable) &&
                !FD_ISSET(s, &failed)) {
                int error = 0;
                int length = sizeof error;
                connected =
                    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                    error == 0;
            }
        }
    }
    closesocket(s);
    return connected;
}

bool StartsWithScheme(const wchar_t* url, const wchar_t* scheme) {
    for (int i = 0; scheme[i]; ++i) {
        wchar_t c = url[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

// The certificate errors WinINet passes through urlmon, as HRESULTs of their Win32 codes, with
// urlmon's own two; each named in the words of the pane line.
struct CertificateProblem {
    HRESULT result;
    const char* reason;
};
const CertificateProblem CERTIFICATE_PROBLEMS[] = {
    {HRESULT_FROM_WIN32(12045), "its authority is not trusted"},
    {HRESULT_FROM_WIN32(12038), "it names another host"},
    {HRESULT_FROM_WIN32(12037), "it has expired or is not valid yet"},
    {HRESULT_FROM_WIN32(12170), "it was revoked"},
    {HRESULT_FROM_WIN32(12169), "it is not valid"},
    {HRESULT_FROM_WIN32(12055), "it is not valid"},
    {HRESULT_FROM_WIN32(12057), "its revocation could not be checked"},
    {static_cast<HRESULT>(0x800C0019), "it is not valid"},               // INET_E_INVALID_CERTIFICATE
    {static_cast<HRESULT>(0x800C000E), "the connection is not secure"},  // INET_E_SECURITY_PROBLEM
};

const char* CertificateReason(HRESULT result) {
    for (const CertificateProblem& problem : CERTIFICATE_PROBLEMS)
        if (problem.result == result) return problem.reason;
    return nullptr;
}

/// The value of a Content-Length header line, if the headers hold one that reads as a number.
std::optional<uint64_t> ContentLength(const wchar_t* headers) {
    const wchar_t* name = L"content-length:";
    for (const wchar_t* line = headers; *line;) {
        size_t i = 0;
        while (name[i]) {
            wchar_t c = line[i];
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
            if (c != name[i]) break;
            ++i;
        }
        if (!name[i]) {
            const wchar_t* at = line + i;
            while (*at == L' ' || *at == L'\t') ++at;
            uint64_t value = 0;
            bool digits = false;
            for (; *at >= L'0' && *at <= L'9' && value < (uint64_t{1} << 60); ++at, digits = true)
                value = value * 10 + static_cast<uint64_t>(*at - L'0');
            return digits ? std::optional<uint64_t>(value) : std::nullopt;
        }
        while (*line && *line != L'\n') ++line;
        if (*line) ++line;
    }
    return std::nullopt;
}

/// Watches one URLDownloadToFileA transfer: aborts it when the body grows past the size limit, the
/// time limit passes or a redirect leaves HTTP (or an HTTPS site for plain HTTP), and notes the
/// server's status code. It offers no IHttpSecurity, so urlmon never lets a certificate problem pass.
class TransferWatch : public IBindStatusCallback, public IHttpNegotiate {
public:
    TransferWatch(uint64_t maxBytes, int timeoutSeconds, bool secure)
        : maxBytes_(maxBytes),
          deadline_(GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000),
          secure_(secure) {}

    bool Refused() const { return refused_; }
    DWORD Status() const { return status_; }
    /// The Content-Length the server announced, if it did.
    std::optional<uint64_t> AnnouncedLength() const { return announced_; }

    // IUnknown. The object lives on the caller's stack and outlives the transfer.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IBindStatusCallback)) {
            *out = static_cast<IBindStatusCallback*>(this);
        } else if (IsEqualIID(id, IID_IHttpNegotiate)) {
            *out = static_cast<IHttpNegotiate*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    // IBindStatusCallback.
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override {
        if (statusCode == BINDSTATUS_REDIRECTING && !AllowedRedirect(statusText)) {
            refused_ = true;
            return E_ABORT;
        }
        if (progress > maxBytes_ || progressMax > maxBytes_ || GetTickCount64() > deadline_) {
            refused_ = true;
            return E_ABORT;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO*) override {
        // Always from the site, never from the local cache: an old cached list would hide a newer one.
        if (flags) *flags |= BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // IHttpNegotiate.
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extraHeaders) override {
        if (extraHeaders) *extraHeaders = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR headers, LPCWSTR,
                                         LPWSTR* extraHeaders) override {
        status_ = status;
        // Every answer counts, a redirect's included: only the last one describes the body.
        announced_ = headers ? ContentLength(headers) : std::nullopt;
        if (extraHeaders) *extraHeaders = nullptr;
        return S_OK;
    }

private:
    // A plain site may move up to HTTPS; an HTTPS site never down to plain HTTP.
    bool AllowedRedirect(const wchar_t* target) const {
        if (!target) return false;
        return StartsWithScheme(target, L"https://") || (!secure_ && StartsWithScheme(target, L"http://"));
    }

    ULONG references_ = 1;
    uint64_t maxBytes_;
    ULONGLONG deadline_;
    bool secure_;
    bool refused_ = false;
    DWORD status_ = 0;
    std::optional<uint64_t> announced_;
};

/// COM for the calling thread while a download runs, unless the thread has it already.
class ComForThread {
public:
    ComForThread() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComForThread() {
        if (initialised_) CoUninitialize();
    }
    ComForThread(const ComForThread&) = delete;
    ComForThread& operator=(const ComForThread&) = delete;

private:
    bool initialised_;
};

}  // namespace

Win32Network::Win32Network() {
    WSADATA data{};
    winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

Win32Network::~Win32Network() {
    if (winsockReady_) WSACleanup();
}

bool Win32Network::Probe(const std::string& host, int port, int timeoutMs) {
    // An empty host would be this machine; the update site is a remote host by definition.
    if (!winsockReady_ || host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    for (addrinfo* a = found; a; a = a->ai_next)
        if (ConnectWithin(*a, timeoutMs)) return true;
    return false;
}

Download Win32Network::Fetch(const std::string& url, uint64_t maxBytes, int timeoutSeconds) {
    Download download;
    const bool secure = url.rfind("https://", 0) == 0;
    if (!secure && url.rfind("http://", 0) != 0) return download;
    Win32Files files;
    // urlmon hands the body over as a file only. It goes to a fresh scratch name in the user's own
    // temporary folder, never beside the user's files, and is read back and removed at once.
    char tempFolder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof tempFolder, tempFolder);
    if (length == 0 || length > MAX_PATH) return download;
    files.RemoveStaleScratchFiles(tempFolder);
    std::string scratch;
    for (int attempt = 0; attempt < 100 && scratch.empty(); ++attempt) {
        const std::string name = std::string(tempFolder) +
                                 Win32Files::ScratchName(static_cast<uint32_t>(GetTickCount64()) + attempt);
        Win32Handle reserved(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (reserved) scratch = name;
    }
    if (scratch.empty()) return download;
    ComForThread com;
    TransferWatch watch(maxBytes, timeoutSeconds, secure);
    const HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), scratch.c_str(), 0, &watch);
    const std::optional<std::string> body = files.ReadFile(scratch, static_cast<size_t>(maxBytes) + 1);
    SetFileAttributesA(scratch.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(scratch.c_str());
    if (watch.Status() == 404) {
        download.outcome = Download::Outcome::NOT_FOUND;
        return download;
    }
    if (const char* reason = CertificateReason(result)) {
        download.outcome = Download::Outcome::UNTRUSTED;
        download.reason = reason;
        return download;
    }
    // A status that urlmon passed on unfollowed (a redirect elsewhere) or an error page is no file;
    // a body shorter than announced is a connection that closed early.
    const bool statusOk = watch.Status() == 0 || (watch.Status() >= 200 && watch.Status() < 300);
    const bool whole = body && (!watch.AnnouncedLength() || *watch.AnnouncedLength() == body->size());
    if (SUCCEEDED(result) && !watch.Refused() && statusOk && whole && body->size() <= maxBytes) {
        download.outcome = Download::Outcome::COMPLETE;
        download.body = *body;
    }
    return download;
}

}  // namespace cartovex
