// The build defines CARTOVEX_HAVE_LIBDEFLATE and CARTOVEX_HAVE_LIBCRYPTO for this file alone when it
// found them; the fallbacks (zlib's CRC-32, the portable SHA-1 and MD5) give the same digests.
#include "verify/TrackHasher.h"

#include <zlib.h>

#include <algorithm>

#include "verify/PortableDigests.h"

#if CARTOVEX_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif
#if CARTOVEX_HAVE_LIBCRYPTO
#include <openssl/evp.h>
#endif

namespace cartovex {

namespace {

// The libraries take lengths of their own types; a caller's span is cut to pieces they can take.
constexpr size_t LARGEST_PIECE = size_t{1} << 30;

uint32_t CrcUpdate(uint32_t crc, const uint8_t* bytes, size_t count) {
#if CARTOVEX_HAVE_LIBDEFLATE
    return libdeflate_crc32(crc, bytes, count);
#else
    return static_cast<uint32_t>(crc32(crc, bytes, static_cast<uInt>(count)));
#endif
}

#if CARTOVEX_HAVE_LIBCRYPTO
// An EVP digest context; nothing when the library could not make one (then the portable code
// serves, so a hasher never fails).
class EvpDigest {
public:
    explicit EvpDigest(const EVP_MD* kind) : context_(EVP_MD_CTX_new()) {
        if (context_ && EVP_DigestInit_ex(context_, kind, nullptr) != 1) {
            EVP_MD_CTX_free(context_);
            context_ = nullptr;
        }
    }
    ~EvpDigest() {
        if (context_) EVP_MD_CTX_free(context_);
    }
    EvpDigest(const EvpDigest&) = delete;
    EvpDigest& operator=(const EvpDigest&) = delete;

    bool Usable() const { return context_ != nullptr; }
    void Update(const uint8_t* bytes, size_t count) { EVP_DigestUpdate(context_, bytes, count); }
    template <size_t N>
    std::array<uint8_t, N> Finish() {
        std::array<uint8_t, EVP_MAX_MD_SIZE> digest{};
        unsigned int length = 0;
        EVP_DigestFinal_ex(context_, digest.data(), &length);
        std::array<uint8_t, N> out{};
        std::copy_n(digest.begin(), N, out.begin());
        return out;
    }

private:
    EVP_MD_CTX* context_;
};
#endif

}  // namespace

struct TrackHasher::State {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool withMd5 = false;
#if CARTOVEX_HAVE_LIBCRYPTO
    EvpDigest sha1{EVP_sha1()};
    std::optional<EvpDigest> md5;
#endif
    PortableSha1 portableSha1;
    PortableMd5 portableMd5;
};

TrackHasher::TrackHasher(bool withMd5) : state_(std::make_unique<State>()) {
    state_->withMd5 = withMd5;
#if CARTOVEX_HAVE_LIBCRYPTO
    if (withMd5) state_->md5.emplace(EVP_md5());
#endif
}

TrackHasher::~TrackHasher() = default;
TrackHasher::TrackHasher(TrackHasher&&) noexcept = default;
TrackHasher& TrackHasher::operator=(TrackHasher&&) noexcept = default;

void TrackHasher::Update(std::span<const uint8_t> bytes) {
    State& s = *state_;
    s.size += bytes.size();
    // Each piece goes through every digest while it is still in the processor's cache.
    while (!bytes.empty()) {
        const size_t count = std::min(bytes.size(), LARGEST_PIECE);
        const uint8_t* data = bytes.data();
        s.crc = CrcUpdate(s.crc, data, count);
#if CARTOVEX_HAVE_LIBCRYPTO
        if (s.sha1.Usable())
            s.sha1.Update(data, count);
        else
            s.portableSha1.Update({data, count});
        if (s.withMd5) {
            if (s.md5->Usable())
                s.md5->Update(data, count);
            else
                s.portableMd5.Update({data, count});
        }
#else
        s.portableSha1.Update({data, count});
        if (s.withMd5) s.portableMd5.Update({data, count});
#endif
        bytes = bytes.subspan(count);
    }
}

TrackDigest TrackHasher::Finish() {
    State& s = *state_;
    TrackDigest digest;
    digest.size = s.size;
    digest.crc = s.crc;
#if CARTOVEX_HAVE_LIBCRYPTO
    digest.sha1 = s.sha1.Usable() ? s.sha1.Finish<20>() : s.portableSha1.Finish();
    if (s.withMd5) digest.md5 = s.md5->Usable() ? s.md5->Finish<16>() : s.portableMd5.Finish();
#else
    digest.sha1 = s.portableSha1.Finish();
    if (s.withMd5) digest.md5 = s.portableMd5.Finish();
#endif
    return digest;
}

std::string HexDigest(std::span<const uint8_t> digest) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (uint8_t b : digest) {
        text += DIGITS[b >> 4];
        text += DIGITS[b & 15];
    }
    return text;
}

std::string HashingBackends() {
#if CARTOVEX_HAVE_LIBDEFLATE
    std::string crc = "libdeflate CRC-32";
#else
    std::string crc = "zlib CRC-32";
#endif
#if CARTOVEX_HAVE_LIBCRYPTO
    return crc + ", libcrypto SHA-1/MD5";
#else
    return crc + ", portable SHA-1/MD5";
#endif
}

}  // namespace cartovex
