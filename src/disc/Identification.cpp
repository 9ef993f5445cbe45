#include "disc/Identification.h"

#include <algorithm>
#include <optional>

#include "common/Text.h"
#include "disc/Decoders.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

constexpr size_t SERIAL_SLOTS = 5;

void FillSerialParts(DiscInfo& disc, std::string_view serial) {
    auto pieces = Split(Trim(serial), '-', SERIAL_SLOTS);
    for (size_t slot = 0; slot < SERIAL_SLOTS; ++slot)
        disc.serialParts[slot] = slot < pieces.size() ? pieces[slot] : std::string();
}

bool EndsInDigit(std::string_view text) {
    return !text.empty() && text.back() >= '0' && text.back() <= '9';
}

std::string JoinedReference(const DiscInfo& disc) {
    return Trim(disc.serialParts[0]) + "-" + Trim(disc.serialParts[1]);
}

// Some discs carry the serial's prefix where the software type belongs ("MK" at 0x180) and the
// rest of the serial behind it; putting the prefix back in front gives the serial the box shows.
void RepairShiftedSerial(DiscInfo& disc) {
    const std::string shifted = SoftwareType(disc.header).substr(0, 12) + "-" + SerialField(disc.header);
    SetFieldText(disc.header, field::SERIAL_FIELD, shifted);
    SetFieldText(disc.header, field::SOFTWARE_TYPE, "  ");
    FillSerialParts(disc, shifted);
    disc.referenceId = JoinedReference(disc);
}

}  // namespace

void NormaliseSerial(DiscInfo& disc) {
    const std::string serial = SerialField(disc.header);
    FillSerialParts(disc, serial);
    std::string& version = disc.serialParts[2];
    if (!EndsInDigit(Trim(version))) version = version.substr(0, std::min<size_t>(2, version.size()));

    const auto pieces = std::count(serial.begin(), serial.end(), '-') + 1;
    if (pieces == 2) {
        // "MK-4429" is a serial without a version; "ABC-01" is a name with its version.
        const std::string& prefix = disc.serialParts[0];
        if (Contains(prefix, "MK") || Contains(prefix, "T") || Contains(prefix, "G")) {
            disc.referenceId = JoinedReference(disc);
            version.clear();
        } else {
            disc.referenceId = prefix;
            version = Trim(disc.serialParts[1]);
        }
    } else {
        disc.referenceId = JoinedReference(disc);
    }
    version = Trim(version);

    // Discs whose headers are known to carry their serial in an odd form.
    if (disc.referenceId == "MK-004429") disc.referenceId = "MK-4429";
    if (disc.referenceId == "G-006039") disc.referenceId = "G-6039";
    if (disc.referenceId == "MK 0xxxx-01") {
        disc.referenceId = "MK-0xxxx";
        version = "01";
    }
    const std::string localName = LocalName(disc.header);
    if (Contains(SoftwareType(disc.header), "MK") && Contains(localName, "WONDERDOG"))
        RepairShiftedSerial(disc);
    if (Contains(SoftwareType(disc.header), "MK") && Contains(localName, "ROAD BLASTER"))
        RepairShiftedSerial(disc);
    if (HexForm(disc.crc32) == "D95F67AC") {
        disc.referenceId = "G-6043";
        SetFieldText(disc.header, field::SOFTWARE_TYPE, "  ");
        version.clear();
    }
    disc.softwareVersion = disc.serialParts[2];
}

namespace {

// An entry's second field, or nothing for a line that has none.
std::optional<std::string_view> ChecksumField(std::string_view entry) {
    const size_t first = entry.find('#');
    if (first == std::string_view::npos) return std::nullopt;
    const size_t second = entry.find('#', first + 1);
    const size_t length = second == std::string_view::npos ? std::string_view::npos : second - first - 1;
    return entry.substr(first + 1, length);
}

int LoadedCount(const HeaderDatabase& database) {
    return std::clamp<int>(database.count, 0, HEADER_DATABASE_SLOTS);
}

}  // namespace

DatabaseIndex::DatabaseIndex(const HeaderDatabase& database) {
    for (int slot = 0; slot < LoadedCount(database); ++slot)
        if (auto checksum = ChecksumField(database.entries[static_cast<size_t>(slot)]))
            firstSlots_.emplace(std::string(*checksum), static_cast<int16_t>(slot));  // keeps the first
}

int16_t DatabaseIndex::FirstSlot(const std::string& checksum) const {
    const auto found = firstSlots_.find(checksum);
    return found == firstSlots_.end() ? NONE_VALUE : found->second;
}

void FindDatabaseEntry(DiscInfo& disc, const HeaderDatabase& database, const DatabaseIndex* index) {
    const std::string checksum = HexForm(disc.crc32);
    int16_t match = NONE_VALUE;
    if (index) {
        match = index->FirstSlot(checksum);
    } else {
        for (int slot = 0; slot < LoadedCount(database) && match == NONE_VALUE; ++slot)
            if (ChecksumField(database.entries[static_cast<size_t>(slot)]) == checksum)
                match = static_cast<int16_t>(slot);
    }
    if (match == NONE_VALUE) return;
    // The first entry with the checksum decides, even when a later one has the right count.
    disc.matchIndex = match;
    const long long tracks = ReadNumber(Piece(database.entries[static_cast<size_t>(match)], '#', 2));
    if (tracks != disc.audioTracks) disc.tracksMismatch = SET_VALUE;
}

std::vector<std::string> ReadHaveList(Program& program) {
    Files& files = program.files();
    const std::string path = program.StartFile("KVX_HAVE.TXT");
    const auto length = files.FileLength(path);
    if (length && *length == 0) {
        files.DeleteFile(path);
        return {};
    }
    // A list that can't be read is left alone: it is the user's file, and only an empty one is junk.
    const auto content = files.ReadFile(path);
    if (!content) return {};
    return ReadLines(*content);
}

namespace {

bool ListedInHaveFile(Program& program, const std::string& name) {
    const std::vector<std::string>* kept = program.Run().haveList;
    const std::vector<std::string> read = kept ? std::vector<std::string>{} : ReadHaveList(program);
    const std::vector<std::string>& names = kept ? *kept : read;
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::string MatchKey(std::string name) {
    std::replace(name.begin(), name.end(), '_', ' ');
    name = name.substr(0, name.find('.'));
    for (bool cut = true; cut;) {
        cut = false;
        for (std::string_view marker : {"(DUPE)", "(MISSING AUDIO TRACKS)"}) {
            if (name.size() >= marker.size() && name.ends_with(marker)) {
                name.resize(name.size() - marker.size());
                cut = true;
            }
        }
    }
    return name;
}

void BuildDisplayName(Program& program) {
    DiscInfo& disc = program.disc;
    const bool matched = disc.matchIndex >= 0 && disc.matchIndex < HEADER_DATABASE_SLOTS;
    if (matched)
        disc.displayName = Piece(program.database.entries[static_cast<size_t>(disc.matchIndex)], '#', 0);

    bool listed = ListedInHaveFile(program, disc.displayName);
    if (matched) {
        // The scan lists a processed disc by its folder (or by its file, for an archive kept in the
        // collection folder itself): that listing is this very image.
        const bool itself =
            MatchKey(disc.fileName) == disc.displayName || MatchKey(disc.folderName) == disc.displayName;
        listed = listed && !itself;
        disc.duplicate = listed ? SET_VALUE : NONE_VALUE;
        if (listed) disc.displayName += "(DUPE)";
        if (disc.tracksMismatch == SET_VALUE) disc.displayName += "(MISSING AUDIO TRACKS)";
        program.window().EnableControl(ID_PROCESS_BUTTON, true);
        return;
    }
    disc.duplicate = NONE_VALUE;
    disc.displayName = Contains(DecodeRegion(disc), "CONVERTED") ? "CONVERTED IMAGE" : "NOT IN DATABASE";
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
}

}  // namespace cartovex
