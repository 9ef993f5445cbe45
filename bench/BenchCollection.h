// The generated collections that the mass-processing benchmarks run over.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "platform/Files.h"
#include "refdata/ReferenceTables.h"
#include "testkit/Companions.h"
#include "testkit/ZipWriter.h"

namespace cartovex::bench {

enum class Shape { NESTED, FLAT };

// `count` discs in every layout, a quarter of them with audio tracks; the first
// HEADER_DATABASE_SLOTS of them are in the database entries returned. A flat collection has only
// data tracks: companions side by side would all belong to every image.
inline std::vector<std::string> WriteCollection(Files& files, const std::string& root, int count,
                                                Shape shape) {
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i) {
        const HeaderBlock header = BenchHeader(i);
        const std::string title = "Bench Disc " + PlainNumber(10000 + i);
        const std::string stem = "disc" + PlainNumber(i);
        std::string folder = root;
        if (shape == Shape::NESTED) folder += "/Group " + PlainNumber(i / 10) + "/DISC" + PlainNumber(i);
        std::filesystem::create_directories(folder);
        int tracks = 0;
        switch (i % 4) {
            case 0:
                files.WriteFile(folder + "/" + stem + ".iso", testkit::CookedImage(header, 1));
                if (shape == Shape::NESTED)
                    tracks =
                        static_cast<int>(testkit::WriteAudioTracks(files, folder, stem, "mp3", 2).size());
                break;
            case 1:
                files.WriteFile(folder + "/" + stem + ".bin", testkit::RawImage(header, 1));
                if (shape == Shape::NESTED)
                    files.WriteFile(folder + "/" + stem + ".cue", testkit::CueSheet(stem + ".bin", 0));
                break;
            case 2:
                files.WriteFile(folder + "/" + stem + ".raw", testkit::RawImage(header, 1));
                break;
            default:
                testkit::WriteZip(folder + "/" + stem + ".zip",
                                  {{"disc.iso", testkit::CookedImage(header, 1), true, ""}});
                break;
        }
        if (static_cast<int>(entries.size()) < HEADER_DATABASE_SLOTS)
            entries.push_back(EntryFor(title, header, tracks));
    }
    return entries;
}

}  // namespace cartovex::bench
