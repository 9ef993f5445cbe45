// The build defines CARTOVEX_HAVE_LZMA for this file when it found liblzma.
#include "testkit/ChdWriter.h"

#include <zlib.h>

#include <algorithm>

#include "disc/Crc32.h"
#include "disc/containers/Crc16.h"

#if CARTOVEX_HAVE_LZMA
#include <lzma.h>
#endif

namespace cartovex::testkit {

namespace {

constexpr size_t FRAME = 2448;
constexpr size_t SECTOR = 2352;
constexpr size_t SUBCODE = 96;

void PutBigEndian(std::string& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void SetBigEndian(std::string& out, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
}

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

int BitsFor(uint64_t value) {
    int bits = 0;
    for (; value != 0; value >>= 1) ++bits;
    return bits;
}

class BitWriter {
public:
    void Put(uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_ += '\0';
            if ((value >> i) & 1) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (used_ % 8)));
            ++used_;
        }
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    size_t used_ = 0;
};

std::string Hunk(const ChdLayout& layout, uint32_t hunk) {
    std::string slice = layout.data.substr(
        std::min<size_t>(layout.data.size(), size_t{hunk} * layout.hunkSize), layout.hunkSize);
    slice.resize(layout.hunkSize, '\0');
    return slice;
}

uint32_t HunkCount(const ChdLayout& layout) {
    return static_cast<uint32_t>((layout.data.size() + layout.hunkSize - 1) / layout.hunkSize);
}

std::string PackWith(uint32_t codec, std::string_view hunk) {
    if (codec == CODEC_ZLIB) return Deflated(hunk);
    if (codec == CODEC_LZMA) return LzmaPacked(hunk);
    return PackCdHunk(codec, hunk);
}

// The metadata chain, placed at `start`.
std::string Metadata(const ChdLayout& layout, uint64_t start) {
    std::string chain;
    for (size_t i = 0; i < layout.metadata.size(); ++i) {
        const auto& [tag, text] = layout.metadata[i];
        const uint64_t length = text.size() + 1;
        chain += tag.substr(0, 4);
        chain += '\x01';
        PutBigEndian(chain, length, 3);
        const bool last = i + 1 == layout.metadata.size();
        PutBigEndian(chain, last ? 0 : start + chain.size() + 8 + length, 8);
        chain += text;
        chain += '\0';
    }
    return chain;
}

std::string HeaderV5(const ChdLayout& layout, uint64_t mapOffset, uint64_t metadataOffset) {
    std::string header = "MComprHD";
    PutBigEndian(header, 124, 4);
    PutBigEndian(header, layout.version, 4);
    for (uint32_t codec : layout.codecs) PutBigEndian(header, layout.compressedMap ? codec : 0, 4);
    PutBigEndian(header, layout.data.size(), 8);
    PutBigEndian(header, mapOffset, 8);
    PutBigEndian(header, metadataOffset, 8);
    PutBigEndian(header, layout.hunkSize, 4);
    PutBigEndian(header, layout.unitSize, 4);
    header.resize(124, '\0');
    return header;
}

std::string WriteCompressed(const ChdLayout& layout) {
    const uint32_t count = HunkCount(layout);
    std::string file = HeaderV5(layout, 0, layout.metadata.empty() ? 0 : 124);
    file += Metadata(layout, file.size());

    struct Entry {
        int kind;
        uint64_t length, offset, crc;
    };
    std::vector<Entry> entries;
    uint64_t firstOffset = 0, maxLength = 0, maxReference = 0;
    for (uint32_t h = 0; h < count; ++h) {
        ChdHunk hunk;
        hunk.kind = 0;
        if (auto it = layout.hunks.find(h); it != layout.hunks.end()) hunk = it->second;
        const std::string data = Hunk(layout, h);
        Entry entry{hunk.kind, 0, hunk.reference, 0};
        if (hunk.kind >= 0 && hunk.kind <= 4) {
            std::string stored = hunk.stored;
            if (stored.empty())
                stored =
                    hunk.kind == 4 ? data : PackWith(layout.codecs[static_cast<size_t>(hunk.kind)], data);
            entry.length = hunk.kind == 4 ? layout.hunkSize : stored.size();
            entry.offset = file.size();
            entry.crc = hunk.crc.value_or(Crc16(Bytes(data)));
            if (firstOffset == 0) firstOffset = entry.offset;
            if (hunk.kind != 4) maxLength = std::max<uint64_t>(maxLength, entry.length);
            file += stored;
        } else if (hunk.kind == 5) {
            maxReference = std::max(maxReference, hunk.reference);
        }
        entries.push_back(entry);
    }

    const int lengthBits = BitsFor(maxLength), selfBits = BitsFor(maxReference);
    BitWriter bits;
    // Every one of the 16 kinds gets a 4-bit code: "1" escapes, "4" is the length, 16 - 3 repeats.
    bits.Put(1, 4);
    bits.Put(4, 4);
    bits.Put(13, 4);
    for (const Entry& entry : entries) bits.Put(static_cast<uint64_t>(entry.kind) & 0xF, 4);
    uint16_t crc = CRC16_PRESET;
    for (const Entry& entry : entries) {
        if (entry.kind >= 0 && entry.kind <= 3) bits.Put(entry.length, lengthBits);
        if (entry.kind >= 0 && entry.kind <= 4) bits.Put(entry.crc, 16);
        if (entry.kind == 5) bits.Put(entry.offset, selfBits);
        std::string unpacked;
        unpacked += static_cast<char>(entry.kind);
        PutBigEndian(unpacked, entry.length, 3);
        PutBigEndian(unpacked, entry.offset, 6);
        PutBigEndian(unpacked, entry.crc, 2);
        crc = Crc16Update(Bytes(unpacked), crc);
    }

    const uint64_t mapOffset = file.size();
    PutBigEndian(file, bits.Bytes().size(), 4);
    PutBigEndian(file, firstOffset, 6);
    PutBigEndian(file, layout.spoilMapCrc ? crc ^ 0x5A5A : crc, 2);
    file += static_cast<char>(lengthBits);
    file += static_cast<char>(selfBits);
    file += '\0';
    file += '\0';
    file += bits.Bytes();
    SetBigEndian(file, 40, mapOffset, 8);
    return file;
}

std::string WritePlain(const ChdLayout& layout) {
    const uint32_t count = HunkCount(layout);
    const uint64_t metadataOffset = 124 + uint64_t{4} * count;
    std::string file = HeaderV5(layout, 124, layout.metadata.empty() ? 0 : metadataOffset);
    file.resize(metadataOffset, '\0');
    file += Metadata(layout, metadataOffset);
    file.resize((file.size() + layout.hunkSize - 1) / layout.hunkSize * layout.hunkSize, '\0');
    for (uint32_t h = 0; h < count; ++h) {
        uint64_t place = file.size() / layout.hunkSize;
        if (auto it = layout.hunks.find(h); it != layout.hunks.end() && it->second.kind != 4)
            place = it->second.reference;
        else
            file += Hunk(layout, h);
        SetBigEndian(file, 124 + 4 * size_t{h}, place, 4);
    }
    return file;
}

std::string WriteVersion4(const ChdLayout& layout) {
    const uint32_t count = HunkCount(layout);
    std::string file = "MComprHD";
    PutBigEndian(file, 108, 4);
    PutBigEndian(file, 4, 4);
    PutBigEndian(file, 0, 4);  // flags: no parent
    PutBigEndian(file, 1, 4);  // deflate
    PutBigEndian(file, count, 4);
    PutBigEndian(file, layout.data.size(), 8);
    PutBigEndian(file, 0, 8);  // metadata offset, set below
    PutBigEndian(file, layout.hunkSize, 4);
    file.resize(108 + size_t{16} * count, '\0');
    if (!layout.metadata.empty()) SetBigEndian(file, 36, file.size(), 8);
    file += Metadata(layout, file.size());
    for (uint32_t h = 0; h < count; ++h) {
        ChdHunk hunk;
        hunk.kind = 1;
        if (auto it = layout.hunks.find(h); it != layout.hunks.end()) hunk = it->second;
        const std::string data = Hunk(layout, h);
        uint64_t offset = hunk.reference;
        uint64_t length = 0;
        if (hunk.kind == 1 || hunk.kind == 2) {
            std::string stored = hunk.stored;
            if (stored.empty()) stored = hunk.kind == 1 ? Deflated(data) : data;
            offset = file.size();
            length = stored.size();
            file += stored;
        }
        const uint32_t crc =
            hunk.crc.value_or(Crc32Update(Bytes(data).data(), data.size(), 0xFFFFFFFF) ^ 0xFFFFFFFF);
        const size_t at = 108 + size_t{16} * h;
        SetBigEndian(file, at, offset, 8);
        SetBigEndian(file, at + 8, crc, 4);
        file[at + 12] = static_cast<char>(length >> 8);
        file[at + 13] = static_cast<char>(length);
        file[at + 14] = static_cast<char>(length >> 16);
        file[at + 15] = static_cast<char>(hunk.kind);
    }
    return file;
}

}  // namespace

std::string WriteChdFile(const ChdLayout& layout) {
    if (layout.version == 4) return WriteVersion4(layout);
    return layout.compressedMap ? WriteCompressed(layout) : WritePlain(layout);
}

std::string CdFrames(std::string_view image, size_t sectorSize) {
    std::string frames;
    for (size_t at = 0; at < image.size(); at += sectorSize) {
        std::string frame(image.substr(at, sectorSize));
        frame.resize(FRAME, '\0');
        frames += frame;
    }
    return frames;
}

std::string TrackLine(int number, const std::string& type, uint32_t frames) {
    return "TRACK:" + std::to_string(number) + " TYPE:" + type +
           " SUBTYPE:NONE FRAMES:" + std::to_string(frames) + " PREGAP:0 PGTYPE:MODE1 PGSUB:NONE POSTGAP:0";
}

std::string PackCdHunk(uint32_t codec, std::string_view hunk) {
    std::string sectors, subcode;
    for (size_t at = 0; at + FRAME <= hunk.size(); at += FRAME) {
        sectors += hunk.substr(at, SECTOR);
        subcode += hunk.substr(at + SECTOR, SUBCODE);
    }
    return CdHunkOfStreams(hunk.size() / FRAME,
                           codec == CODEC_CD_LZMA ? LzmaPacked(sectors) : Deflated(sectors),
                           Deflated(subcode));
}

std::string CdHunkOfStreams(size_t frames, std::string_view sectorStream, std::string_view subcodeStream) {
    std::string hunk((frames + 7) / 8, '\0');
    PutBigEndian(hunk, sectorStream.size(), frames * FRAME < 65536 ? 2 : 3);
    hunk += sectorStream;
    hunk += subcodeStream;
    return hunk;
}

std::string Deflated(std::string_view data) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string LzmaPacked(std::string_view data) {
#if CARTOVEX_HAVE_LZMA
    lzma_options_lzma options{};
    lzma_lzma_preset(&options, 6);
    options.dict_size = std::max<uint32_t>(LZMA_DICT_SIZE_MIN, static_cast<uint32_t>(data.size()));
    options.lc = 3;
    options.lp = 0;
    options.pb = 2;
    // The size is known and no end mark is written, as in a CHD.
    options.ext_flags = 0;
    options.ext_size_low = static_cast<uint32_t>(data.size());
    options.ext_size_high = 0;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&stream, filters) != LZMA_OK) return {};
    std::string out(data.size() + data.size() / 2 + 1024, '\0');
    stream.next_in = reinterpret_cast<const uint8_t*>(data.data());
    stream.avail_in = data.size();
    stream.next_out = reinterpret_cast<uint8_t*>(out.data());
    stream.avail_out = out.size();
    const lzma_ret status = lzma_code(&stream, LZMA_FINISH);
    out.resize(status == LZMA_STREAM_END ? stream.total_out : 0);
    lzma_end(&stream);
    return out;
#else
    (void)data;
    return {};
#endif
}

}  // namespace cartovex::testkit
