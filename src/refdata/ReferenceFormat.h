// What a whole reference file looks like. A download is judged by it before it may replace the
// local copy: a connection that closes early delivers a file cut anywhere, often in the middle of a
// line, and a server may answer with any page at all.
#pragma once

#include <string_view>

namespace cartovex {

enum class ReferenceFile {
    DATABASE,    // DATA.KVX: "name#CRC#tracks", further fields allowed
    DEVELOPERS,  // DEVELOPPER.KVX: "code#name"
};

/// True when `data` is a version line (a leading number) followed only by well-formed entry lines,
/// each line, the last one too, ended by CR LF, and nothing else in it.
bool IsWholeReferenceFile(ReferenceFile kind, std::string_view data);

}  // namespace cartovex
