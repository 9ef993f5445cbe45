// Where the tests find the programs and the bundled data: the build and source trees they were
// built from, unless CARTOVEX_BINARY_DIR or CARTOVEX_SOURCE_DIR name others (.ci/run runs a copy
// of the suite as an unprivileged user, who may not reach the original trees).
#pragma once

#include <cstdlib>
#include <string>

namespace cartovex::testkit {

inline std::string BinaryDir() {
    const char* given = std::getenv("CARTOVEX_BINARY_DIR");
    return given && *given ? given : CARTOVEX_BINARY_DIR;
}

inline std::string SourceDir() {
    const char* given = std::getenv("CARTOVEX_SOURCE_DIR");
    return given && *given ? given : CARTOVEX_SOURCE_DIR;
}

}  // namespace cartovex::testkit
