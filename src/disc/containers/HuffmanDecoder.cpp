#include "disc/containers/HuffmanDecoder.h"

#include <array>

namespace cartovex {

HuffmanDecoder::HuffmanDecoder(int symbolCount, int maxBits)
    : symbolCount_(symbolCount),
      maxBits_(maxBits),
      lengths_(static_cast<size_t>(symbolCount)),
      table_(size_t{1} << maxBits) {}

bool HuffmanDecoder::ImportLengths(BitReader& bits) {
    // Each length is a small field; the value 1 escapes: 1 1 is a real 1, 1 L N is L repeated N + 3
    // times.
    const int fieldBits = maxBits_ >= 16 ? 5 : maxBits_ >= 8 ? 4 : 3;
    int symbol = 0;
    while (symbol < symbolCount_) {
        auto length = static_cast<uint8_t>(bits.Read(fieldBits));
        int repeat = 1;
        if (length == 1) {
            length = static_cast<uint8_t>(bits.Read(fieldBits));
            if (length != 1) repeat = static_cast<int>(bits.Read(fieldBits)) + 3;
        }
        if (repeat > symbolCount_ - symbol) return false;
        for (; repeat > 0; --repeat) lengths_[static_cast<size_t>(symbol++)] = length;
    }
    if (bits.Broken()) return false;

    std::vector<uint32_t> codes(lengths_.size());
    if (!AssignCodes(codes)) return false;
    table_.assign(table_.size(), Slot{});
    for (size_t s = 0; s < lengths_.size(); ++s) {
        const int length = lengths_[s];
        if (length == 0) continue;
        // Every table index that starts with this code decodes to it.
        const int spare = maxBits_ - length;
        const size_t first = static_cast<size_t>(codes[s]) << spare;
        for (size_t i = first; i < first + (size_t{1} << spare); ++i)
            table_[i] = Slot{static_cast<uint16_t>(s), static_cast<uint8_t>(length)};
    }
    return true;
}

bool HuffmanDecoder::AssignCodes(std::vector<uint32_t>& codes) const {
    std::array<uint32_t, 33> start{};
    for (uint8_t length : lengths_) {
        if (length > maxBits_) return false;
        ++start[length];
    }
    // From the longest codes up: the codes of one length, with the prefixes the longer codes left
    // over, must pair up into whole prefixes one bit shorter.
    uint32_t next = 0;
    for (int length = 32; length > 0; --length) {
        const uint32_t total = next + start[static_cast<size_t>(length)];
        if (length > 1 && total % 2 != 0) return false;
        start[static_cast<size_t>(length)] = next;
        next = total / 2;
    }
    for (size_t s = 0; s < lengths_.size(); ++s) {
        const uint8_t length = lengths_[s];
        if (length == 0) continue;
        codes[s] = start[length]++;
        // More one-bit codes than there are one-bit prefixes.
        if (codes[s] >= (uint32_t{1} << length)) return false;
    }
    return true;
}

std::optional<int> HuffmanDecoder::Decode(BitReader& bits) const {
    const Slot slot = table_[static_cast<size_t>(bits.Peek(maxBits_))];
    if (slot.length == 0) return std::nullopt;
    bits.Skip(slot.length);
    return slot.symbol;
}

}  // namespace cartovex
