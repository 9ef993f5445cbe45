// The start-up update of the two reference files from the update site.
#pragma once

#include <cstdint>

#include "state/Program.h"

namespace cartovex {

/// Bounds of each download, so a server that sends without end or at a trickle can't hold the
/// start-up or fill the disc.
struct DownloadLimits {
    uint64_t maxBytes = 16u << 20;
    int timeoutSeconds = 30;
};

/// How long the reachability probe may wait for the connection.
constexpr int UPDATE_PROBE_TIMEOUT_MS = 3000;

/// Probes the update site and replaces DATA.KVX and DEVELOPPER.KVX by newer downloaded copies,
/// reloading the tables after each replacement. Only a whole, well-formed download replaces a file;
/// a download that failed, came incomplete, from a site whose certificate was refused, or could not
/// be written is reported in one line each, and the local file stays as it was. A site the settings
/// give in a form that can't be used (UpdateSite.h) is named in one line and never connected to.
void UpdateDatabases(Program& program, DownloadLimits limits = {});

}  // namespace cartovex
