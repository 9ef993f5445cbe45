// The build defines CARTOVEX_HAVE_LZMA and CARTOVEX_HAVE_FLAC for this file alone when it found
// liblzma and libFLAC.
#include "disc/containers/ChdCodecs.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "disc/RawSector.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdHeader.h"

#if CARTOVEX_HAVE_LZMA
#include <lzma.h>
#endif
#if CARTOVEX_HAVE_FLAC
#include <FLAC/stream_decoder.h>
#endif

namespace cartovex {

namespace {

#if CARTOVEX_HAVE_LZMA
constexpr bool LZMA_BUILT = true;
#else
constexpr bool LZMA_BUILT = false;
#endif
#if CARTOVEX_HAVE_FLAC
constexpr bool FLAC_BUILT = true;
#else
constexpr bool FLAC_BUILT = false;
#endif

constexpr size_t CD_SECTOR_SIZE = CD_FRAME_SIZE - CD_SUBCODE_SIZE;
constexpr std::array<uint8_t, 12> SYNC = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

bool Inflate(std::span<const uint8_t> in, std::span<uint8_t> out) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    // A stream with more to give than `out` holds stops short of its end.
    const int status = inflate(&stream, Z_FINISH);
    const bool whole = status == Z_STREAM_END && stream.total_out == out.size();
    inflateEnd(&stream);
    return whole;
}

#if CARTOVEX_HAVE_LZMA

// The stream has no end mark, so it ends where its input does: all of it must be taken to give
// exactly `out`.
bool Unlzma(std::span<const uint8_t> in, std::span<uint8_t> out) {
    lzma_options_lzma options{};
    // The writer sized its dictionary to the data; a dictionary as large as the output serves any
    // distance a stream of that output can use.
    options.dict_size = std::max<uint32_t>(LZMA_DICT_SIZE_MIN, static_cast<uint32_t>(out.size()));
    options.lc = 3;
    options.lp = 0;
    options.pb = 2;
    const std::array<lzma_filter, 2> filters = {{{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}}};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&stream, filters.data()) != LZMA_OK) return false;
    stream.next_in = in.data();
    stream.avail_in = in.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    const lzma_ret status = lzma_code(&stream, LZMA_RUN);
    const bool whole =
        (status == LZMA_OK || status == LZMA_STREAM_END) && stream.avail_out == 0 && stream.avail_in == 0;
    lzma_end(&stream);
    return whole;
}

#endif

#if CARTOVEX_HAVE_FLAC

// The FLAC frames come without the stream header libFLAC wants first, so one is made up: the
// "fLaC" mark and a STREAMINFO block (last block) saying 44.1 kHz, 2 channels, 16 bits and the
// block size.
std::array<uint8_t, 42> FlacStreamHeader(uint32_t blockSize) {
    std::array<uint8_t, 42> header{'f', 'L', 'a', 'C', 0x80, 0x00, 0x00, 0x22};
    header[8] = header[10] = static_cast<uint8_t>(blockSize >> 8);
    header[9] = header[11] = static_cast<uint8_t>(blockSize);
    constexpr uint32_t RATE = 44100;
    header[18] = static_cast<uint8_t>(RATE >> 12);
    header[19] = static_cast<uint8_t>(RATE >> 4);
    header[20] = static_cast<uint8_t>(((RATE << 4) & 0xF0) | ((2 - 1) << 1));
    header[21] = 0xF0;  // 16 bits a sample (15 in its 5 bits), stream length unknown
    return header;
}

struct FlacRun {
    std::array<uint8_t, 42> header;
    std::span<const uint8_t> frames;
    uint64_t position = 0;  // in the header followed by the frames
    std::span<uint8_t> out;
    size_t samplesDone = 0;  // stereo samples written
    bool broken = false;

    size_t SamplesWanted() const { return out.size() / 4; }
};

FLAC__StreamDecoderReadStatus FlacRead(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                       void* data) {
    auto* run = static_cast<FlacRun*>(data);
    size_t done = 0;
    auto take = [&](std::span<const uint8_t> part, uint64_t partStart) {
        if (run->position < partStart || run->position - partStart >= part.size()) return;
        const auto from = static_cast<size_t>(run->position - partStart);
        const size_t n = std::min(*bytes - done, part.size() - from);
        std::memcpy(buffer + done, part.data() + from, n);
        done += n;
        run->position += n;
    };
    take(run->header, 0);
    take(run->frames, run->header.size());
    *bytes = done;
    return done == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                     : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderTellStatus FlacTell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* data) {
    *offset = static_cast<FlacRun*>(data)->position;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderWriteStatus FlacWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                         const FLAC__int32* const buffer[], void* data) {
    auto* run = static_cast<FlacRun*>(data);
    if (frame->header.channels != 2 || frame->header.bits_per_sample != 16) {
        run->broken = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    for (uint32_t i = 0; i < frame->header.blocksize && run->samplesDone < run->SamplesWanted(); ++i) {
        uint8_t* sample = run->out.data() + 4 * run->samplesDone++;
        for (int channel = 0; channel < 2; ++channel) {
            const auto value = static_cast<uint16_t>(buffer[channel][i]);
            sample[2 * channel] = static_cast<uint8_t>(value >> 8);
            sample[2 * channel + 1] = static_cast<uint8_t>(value);
        }
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* data) {
    static_cast<FlacRun*>(data)->broken = true;
}

uint32_t FlacBlockSize(size_t sectorBytes) {
    auto size = static_cast<uint32_t>(sectorBytes / 4);
    while (size > CD_SECTOR_SIZE) size /= 2;
    return size;
}

// Fills `out` with the samples of the FLAC frames at the start of `in`; the bytes the frames took,
// or nothing when they don't give `out` whole.
std::optional<size_t> UnflacSectors(std::span<const uint8_t> in, std::span<uint8_t> out) {
    FlacRun run{FlacStreamHeader(FlacBlockSize(out.size())), in, 0, out};
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    if (!decoder) return std::nullopt;
    std::optional<size_t> taken;
    if (FLAC__stream_decoder_init_stream(decoder, FlacRead, nullptr, FlacTell, nullptr, nullptr, FlacWrite,
                                         nullptr, FlacError, &run) == FLAC__STREAM_DECODER_INIT_STATUS_OK &&
        FLAC__stream_decoder_process_until_end_of_metadata(decoder)) {
        // Every call decodes a frame or ends the stream; a stream that ends early stops the loop.
        while (!run.broken && run.samplesDone < run.SamplesWanted() &&
               FLAC__stream_decoder_get_state(decoder) != FLAC__STREAM_DECODER_END_OF_STREAM &&
               FLAC__stream_decoder_process_single(decoder)) {
        }
        FLAC__uint64 position = 0;
        if (!run.broken && run.samplesDone == run.SamplesWanted() &&
            FLAC__stream_decoder_get_decode_position(decoder, &position) && position >= run.header.size() &&
            position - run.header.size() <= in.size())
            taken = static_cast<size_t>(position - run.header.size());
    }
    FLAC__stream_decoder_delete(decoder);
    return taken;
}

#endif

// Puts sectors and subcode back together frame by frame.
void Interleave(std::span<const uint8_t> sectors, std::span<const uint8_t> subcode, std::span<uint8_t> out) {
    const size_t frames = out.size() / CD_FRAME_SIZE;
    for (size_t f = 0; f < frames; ++f) {
        std::copy_n(sectors.begin() + static_cast<std::ptrdiff_t>(f * CD_SECTOR_SIZE), CD_SECTOR_SIZE,
                    out.begin() + static_cast<std::ptrdiff_t>(f * CD_FRAME_SIZE));
        std::copy_n(subcode.begin() + static_cast<std::ptrdiff_t>(f * CD_SUBCODE_SIZE), CD_SUBCODE_SIZE,
                    out.begin() + static_cast<std::ptrdiff_t>(f * CD_FRAME_SIZE + CD_SECTOR_SIZE));
    }
}

using SectorUnpacker = bool (*)(std::span<const uint8_t>, std::span<uint8_t>);

Unpacked UnpackCdHunk(SectorUnpacker unpackSectors, std::span<const uint8_t> in, std::span<uint8_t> out) {
    const size_t frames = out.size() / CD_FRAME_SIZE;
    const size_t eccBytes = (frames + 7) / 8;
    const size_t lengthBytes = out.size() < 65536 ? 2 : 3;
    if (in.size() < eccBytes + lengthBytes) return Unpacked::BROKEN;
    const uint64_t sectorBytes = BigEndianAt(in, eccBytes, lengthBytes);
    const auto rest = in.subspan(eccBytes + lengthBytes);
    if (sectorBytes > rest.size()) return Unpacked::BROKEN;

    std::vector<uint8_t> sectors(frames * CD_SECTOR_SIZE), subcode(frames * CD_SUBCODE_SIZE);
    if (!unpackSectors(rest.first(static_cast<size_t>(sectorBytes)), sectors) ||
        !Inflate(rest.subspan(static_cast<size_t>(sectorBytes)), subcode))
        return Unpacked::BROKEN;
    Interleave(sectors, subcode, out);
    // Sync bytes and ECC that follow from the rest of the sector were left out; they are made anew.
    for (size_t f = 0; f < frames; ++f) {
        if (!(in[f / 8] & (1u << (f % 8)))) continue;
        const std::span<uint8_t, RAW_SECTOR_SIZE> sector(out.data() + f * CD_FRAME_SIZE, RAW_SECTOR_SIZE);
        std::copy(SYNC.begin(), SYNC.end(), sector.begin());
        RecomputeEcc(sector);
    }
    return Unpacked::OK;
}

#if CARTOVEX_HAVE_FLAC

Unpacked UnpackCdFlacHunk(std::span<const uint8_t> in, std::span<uint8_t> out) {
    const size_t frames = out.size() / CD_FRAME_SIZE;
    std::vector<uint8_t> sectors(frames * CD_SECTOR_SIZE), subcode(frames * CD_SUBCODE_SIZE);
    const auto taken = UnflacSectors(in, sectors);
    if (!taken || !Inflate(in.subspan(*taken), subcode)) return Unpacked::BROKEN;
    Interleave(sectors, subcode, out);
    return Unpacked::OK;
}

#endif

}  // namespace

bool ChdSupported() {
    return LZMA_BUILT;
}

bool CodecReadable(uint32_t codec) {
    switch (codec) {
        case CODEC_ZLIB:
        case CODEC_CD_ZLIB:
            return true;
        case CODEC_LZMA:
        case CODEC_CD_LZMA:
            return LZMA_BUILT;
        case CODEC_CD_FLAC:
            return FLAC_BUILT;
        default:
            return false;
    }
}

Unpacked UnpackHunk(uint32_t codec, std::span<const uint8_t> stored, std::span<uint8_t> out) {
    if (!CodecReadable(codec)) return Unpacked::UNSUPPORTED;
    const bool cd = codec == CODEC_CD_ZLIB || codec == CODEC_CD_LZMA || codec == CODEC_CD_FLAC;
    if (cd && (out.empty() || out.size() % CD_FRAME_SIZE != 0)) return Unpacked::BROKEN;
    switch (codec) {
        case CODEC_ZLIB:
            return Inflate(stored, out) ? Unpacked::OK : Unpacked::BROKEN;
        case CODEC_CD_ZLIB:
            return UnpackCdHunk(Inflate, stored, out);
#if CARTOVEX_HAVE_LZMA
        case CODEC_LZMA:
            return Unlzma(stored, out) ? Unpacked::OK : Unpacked::BROKEN;
        case CODEC_CD_LZMA:
            return UnpackCdHunk(Unlzma, stored, out);
#endif
#if CARTOVEX_HAVE_FLAC
        case CODEC_CD_FLAC:
            return UnpackCdFlacHunk(stored, out);
#endif
        default:
            return Unpacked::UNSUPPORTED;
    }
}

}  // namespace cartovex
