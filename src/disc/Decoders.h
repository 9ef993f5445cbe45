// The header fields that need a table to be read: who made the disc, which devices it supports and
// which region it is for. Each decoder is a pure function of DiscInfo (and the developer list), so
// the field listing and the info report always print the same texts.
#pragma once

#include <string>

#include "disc/DiscInfo.h"
#include "refdata/ReferenceTables.h"

namespace cartovex {

/// The developer name, from the copyright text and the serial.
std::string DecodePublisher(const DiscInfo& disc, const DeveloperList& developers);

/// The supported devices, joined by ", ", or "Unknown CODE : " and the first code we don't know.
std::string DecodeDevices(const DiscInfo& disc);

/// The region text, followed by a note with the original region when a conversion mark is present.
std::string DecodeRegion(const DiscInfo& disc);

}  // namespace cartovex
