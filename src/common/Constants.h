// Values every subsystem shares: the sentinels of the 16-bit flags and indexes, and the version text.
#pragma once

#include <cstdint>

namespace cartovex {

/// The one "none / not set / failed" value of 16-bit indexes, flags and results.
constexpr int16_t NONE_VALUE = 5555;
/// Marks `tracksMismatch` (and the duplicate flag) as set.
constexpr int16_t SET_VALUE = 1111;

/// The program's version text, shown in the window title, the About text and the info report.
constexpr const char* VERSION_TEXT = "v3.55";

}  // namespace cartovex
