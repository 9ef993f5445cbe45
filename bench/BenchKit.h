// What every benchmark shares: a stopwatch, the generated discs, and one way to print a figure so
// the README table can be read off any run.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "testkit/ImageBuilder.h"

namespace cartovex::bench {

using Stopwatch = std::chrono::steady_clock;

inline double SecondsSince(Stopwatch::time_point started) {
    return std::chrono::duration<double>(Stopwatch::now() - started).count();
}

/// Runs `work` and returns its wall time in seconds.
template <typename Work>
double Timed(Work&& work) {
    const auto started = Stopwatch::now();
    work();
    return SecondsSince(started);
}

/// A distinct header block per number, so each disc has its own checksum.
inline HeaderBlock BenchHeader(int i) {
    testkit::HeaderSpec fields;
    fields.localName = fields.worldName = "BENCH DISC " + PlainNumber(i);
    fields.salt = static_cast<uint32_t>(i + 1);
    return testkit::BuildHeader(fields);
}

/// The database line that identifies a header block under `title`.
inline std::string EntryFor(const std::string& title, const HeaderBlock& header, int tracks) {
    return title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks);
}

/// "  label ......  value" lines, the form the README's table is copied from.
inline void Figure(const std::string& label, double value, const char* unit) {
    std::printf("  %-58s %10.2f %s\n", label.c_str(), value, unit);
    std::fflush(stdout);
}

/// A ratio next to its goal, with a verdict.
inline void Ratio(const std::string& label, double value, double goal) {
    std::printf("  %-58s %10.2f   (goal <= %.1f: %s)\n", label.c_str(), value, goal,
                value <= goal ? "met" : "NOT MET");
    std::fflush(stdout);
}

/// A factor next to the least it should be, with a verdict.
inline void AtLeast(const std::string& label, double value, double goal) {
    std::printf("  %-58s %10.0fx  (goal >= %.0fx: %s)\n", label.c_str(), value, goal,
                value >= goal ? "met" : "NOT MET");
    std::fflush(stdout);
}

/// A ratio that should be at least `goal`, with two decimals and a verdict.
inline void RatioAtLeast(const std::string& label, double value, double goal) {
    std::printf("  %-58s %10.2f   (goal >= %.1f: %s)\n", label.c_str(), value, goal,
                value >= goal ? "met" : "NOT MET");
    std::fflush(stdout);
}

}  // namespace cartovex::bench
