// The text forms used everywhere: hexadecimal, number-to-text, trimming, ASCII case, number reading,
// splitting and line reading. Texts are byte strings in the disc's single-byte character set; nothing
// here interprets them as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

/// Upper-case hexadecimal without leading zeros; "0" for zero.
std::string HexForm(uint32_t value);

/// The number-to-text form: one blank before a non-negative number, a minus sign before a negative one.
std::string NumberText(long long value);

/// A plain count: the number-to-text form without its blank.
std::string PlainNumber(long long value);

/// Removes leading and trailing blanks (byte 20 hex only).
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);

/// ASCII A-Z to a-z (and back); every other byte unchanged.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);
/// Orders names as NTFS lists them: ASCII case-insensitively, then byte-wise to keep the order total.
bool NameLess(std::string_view a, std::string_view b);

bool Contains(std::string_view text, std::string_view part);

constexpr long long READ_NUMBER_LIMIT = 2147483647;

/// Reads the leading decimal number of a text, after leading blanks, with an optional sign.
/// Text without digits reads as 0; magnitudes beyond READ_NUMBER_LIMIT saturate instead of overflowing.
long long ReadNumber(std::string_view text);

/// Clamps a number into the signed 16-bit range.
int16_t SaturateInt16(long long value);

/// Splits at every `separator`. At most `maxPieces` pieces are returned (the rest is dropped);
/// 0 means no limit. An empty text gives one empty piece.
std::vector<std::string> Split(std::string_view text, char separator, size_t maxPieces = 0);

/// The piece of `text` numbered `index` (from 0) when split at `separator`; empty when missing.
std::string Piece(std::string_view text, char separator, size_t index);

/// Line reading for every text file the program reads: a CR ends a line, an LF right after it
/// belongs to the line end, a lone LF stays in the text, and a byte 1A hex ends the file.
class LineReader {
public:
    explicit LineReader(std::string_view data);
    /// The next line without its end; false at the end of the file.
    bool Next(std::string& line);

private:
    std::string_view data_;
    size_t pos_ = 0;
};

/// All lines of a text read with `LineReader`.
std::vector<std::string> ReadLines(std::string_view data);

/// Splits a text whose lines end in CR LF, a lone LF or a lone CR (mixed too). The line ends are
/// dropped; a final line end does not start an extra empty line.
std::vector<std::string> SplitAnyLineEnds(std::string_view data);

}  // namespace cartovex
