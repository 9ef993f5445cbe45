// The canonical Huffman code a CHD's compressed map is written in. The code is sent as the bit length
// of every symbol, run-length coded; codes are handed out from the longest length to the shortest,
// in symbol order within a length, which is not the order of the usual (deflate) canonical code.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "disc/containers/BitReader.h"

namespace cartovex {

class HuffmanDecoder {
public:
    /// A decoder for symbols 0 to `symbolCount` - 1 with codes of at most `maxBits` (at most 16) bits.
    HuffmanDecoder(int symbolCount, int maxBits);

    /// Reads the run-length coded bit lengths and builds the decoding table. False when the lengths
    /// are cut short, too long, or form no prefix code.
    bool ImportLengths(BitReader& bits);

    /// The next symbol, or nothing for bits that start no code.
    std::optional<int> Decode(BitReader& bits) const;

private:
    bool AssignCodes(std::vector<uint32_t>& codes) const;

    int symbolCount_;
    int maxBits_;
    std::vector<uint8_t> lengths_;
    // By the next maxBits_ bits: the symbol and its code's length; a length of 0 marks no code.
    struct Slot {
        uint16_t symbol = 0;
        uint8_t length = 0;
    };
    std::vector<Slot> table_;
};

}  // namespace cartovex
