#include "platform/win32/WindowsHeaders.h"
// clang-format off
#include <urlmon.h>
// clang-format on

#include <memory>

#include "platform/win32/Win32Files.h"
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

bool StartsWithHttp(const wchar_t* url) {
    const wchar_t* scheme = L"http://";
    for (int i = 0; scheme[i]; ++i) {
        wchar_t c = url[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

/// Watches one URLDownloadToFileA transfer: aborts it when the body grows past the size limit, the
/// time limit passes or a redirect leaves plain HTTP, and notes the server's status code.
class TransferWatch : public IBindStatusCallback, public IHttpNegotiate {
public:
    TransferWatch(uint64_t maxBytes, int timeoutSeconds)
        : maxBytes_(maxBytes), deadline_(GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000) {}

    bool Refused() const { return refused_; }
    DWORD Status() const { return status_; }

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
        if (statusCode == BINDSTATUS_REDIRECTING && (!statusText || !StartsWithHttp(statusText))) {
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
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR, LPCWSTR, LPWSTR* extraHeaders) override {
        status_ = status;
        if (extraHeaders) *extraHeaders = nullptr;
        return S_OK;
    }

private:
    ULONG references_ = 1;
    uint64_t maxBytes_;
    ULONGLONG deadline_;
    bool refused_ = false;
    DWORD status_ = 0;
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

bool Win32Network::Download(const std::string& url, const std::string& path, uint64_t maxBytes,
                            int timeoutSeconds) {
    if (url.size() < 7 || url.compare(0, 7, "http://") != 0) return false;
    Win32Files files;
    // The body lands in a file of its own and takes the target's name only when it passed the checks.
    std::string part = path + ".part";
    files.DeleteFile(part);
    ComForThread com;
    TransferWatch watch(maxBytes, timeoutSeconds);
    HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), part.c_str(), 0, &watch);
    auto length = files.FileLength(part);
    // A status that urlmon passed on unfollowed (a redirect elsewhere) or an error page is no file.
    bool statusOk = watch.Status() == 0 || (watch.Status() >= 200 && watch.Status() < 300);
    bool ok = SUCCEEDED(result) && !watch.Refused() && statusOk && length && *length <= maxBytes;
    ok = ok && files.ReplaceFile(part, path);
    if (!ok) files.DeleteFile(part);
    return ok;
}

}  // namespace cartovex
