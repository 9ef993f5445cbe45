// The two reference tables in memory: the header database of known discs (DATA.KVX) and the
// developer list (DEVELOPPER.KVX). Both have fixed capacities; every index into them is checked.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace cartovex {

constexpr int HEADER_DATABASE_SLOTS = 451;
constexpr int DEVELOPER_SLOTS = 301;
/// Codes 0 to 299 get a default name before each load; slot 300 does not.
constexpr int DEVELOPER_DEFAULT_SLOTS = 300;

struct HeaderDatabase {
    /// Entry lines, whole: "name#CRC#tracks#...". Only slots 0 to count - 1 belong to the last load.
    std::array<std::string, HEADER_DATABASE_SLOTS> entries;
    int16_t count = 0;
    int16_t version = 0;
};

struct DeveloperList {
    std::array<std::string, DEVELOPER_SLOTS> names;
    int16_t version = 0;

    /// The name for a developer code; a code without a slot gets the default text that names it.
    std::string NameFor(long long code) const;
};

/// "Unknown. CODE:" followed by the code in the number-to-text form.
std::string DefaultDeveloperName(long long code);

}  // namespace cartovex
