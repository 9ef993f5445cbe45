#include "collection/DatVerification.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "collection/Collection.h"
#include "common/Text.h"
#include "dats/FixDat.h"
#include "disc/Analysis.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

std::string LastLine(const std::string& paneText) {
    const size_t at = paneText.rfind("\r\n");
    return at == std::string::npos ? paneText : paneText.substr(at + 2);
}

std::string Plural(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

size_t AudioTracksOf(const DatGame& game) {
    size_t tracks = 0;
    for (const DatRom& rom : game.roms) tracks += IsSheetRom(rom) ? 0 : 1;
    return tracks > 0 ? tracks - 1 : 0;
}

std::string Today(const Program& program) {
    const LocalTime now = program.platform.clock.Now();
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", now.year, now.month, now.day);
    return text;
}

}  // namespace

std::optional<DatCatalogue> LoadCatalogue(Program& program, const std::vector<std::string>& dats,
                                          const LineSink& problem) {
    Files& files = program.files();
    std::vector<std::string> paths = dats;
    const std::string folder = program.StartFile(DATS_FOLDER_NAME);
    if (paths.empty()) paths = DatFilesInFolder(files, folder);
    if (paths.empty()) {
        problem("No DAT file given, and none in " + folder + ".");
        return std::nullopt;
    }
    DatCatalogue catalogue;
    bool failed = false;
    for (const std::string& path : paths) {
        if (auto reason = LoadDatFile(files, path, catalogue)) {
            problem(path + ": " + *reason);
            failed = true;
        }
    }
    if (failed) return std::nullopt;
    return catalogue;
}

VerifyTally VerifyCollection(Program& program, const DatCatalogue& catalogue,
                             const std::vector<std::string>& paths,
                             const std::function<void(const DiscReport&)>& onDisc, const LineSink& note) {
    Files& files = program.files();
    HashCache cache;
    const std::string cachePath = program.StartFile(HASH_CACHE_FILE_NAME);
    cache.Load(files, cachePath);
    if (cache.Damaged())
        note(std::string(HASH_CACHE_FILE_NAME) + " is damaged; the files are hashed afresh.");

    Verifier verifier(files, catalogue, &cache);
    VerifyTally tally;
    std::set<size_t> verifiedGames;
    for (const std::string& path : paths) {
        if (!files.Exists(path)) {
            note(path + " is not there.");
            continue;
        }
        ListingFailures unread;
        const std::vector<DiscOnDisk> discs = FindDiscs(files, path, &unread);
        for (const ListingFailure& failure : unread) note(ListingFailureLine(failure));
        if (discs.empty()) note("There is no disc image in " + path + ".");
        for (const DiscOnDisk& disc : discs) {
            const DiscReport report = verifier.Check(disc);
            switch (report.verdict.status) {
                case VerifyStatus::VERIFIED:
                    ++tally.verified;
                    verifiedGames.insert(*report.verdict.game);
                    break;
                case VerifyStatus::BAD:
                    ++tally.bad;
                    break;
                case VerifyStatus::UNKNOWN:
                    ++tally.unknown;
                    break;
            }
            onDisc(report);
        }
    }
    tally.verifiedGames.assign(verifiedGames.begin(), verifiedGames.end());
    if (!cache.Save(files, cachePath)) note(std::string(HASH_CACHE_FILE_NAME) + " could not be written.");
    return tally;
}

std::string TallyLine(const VerifyTally& tally) {
    return Plural(tally.Discs(), "disc", "discs") + ": " + std::to_string(tally.verified) + " verified, " +
           std::to_string(tally.bad) + " bad, " + std::to_string(tally.unknown) + " unknown.";
}

std::string WriteMissingGames(Program& program, const DatCatalogue& catalogue, const VerifyTally& tally,
                              const std::string& path) {
    std::vector<size_t> missing;
    for (size_t game = 0; game < catalogue.games.size(); ++game)
        if (!std::binary_search(tally.verifiedGames.begin(), tally.verifiedGames.end(), game))
            missing.push_back(game);
    if (!program.files().WriteFile(path, WriteFixDat(catalogue, missing, Today(program))))
        return path + " could not be written.";
    return "Missing games written to " + path + ": " + Plural(missing.size(), "game", "games") + ".";
}

void VerifyAgainstDats(Program& program) {
    OutputPane& pane = program.pane;
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
    pane.ClearPane();
    const std::string folder = BrowseForFolder(program);
    if (folder.empty()) return;
    const auto say = [&pane](const std::string& line) { pane.AppendLine(line); };
    const auto catalogue = LoadCatalogue(program, {}, say);
    if (!catalogue) return;
    pane.AppendLine("Verifying " + folder + " against " +
                    Plural(catalogue->dats.size(), "DAT file", "DAT files") + " (" +
                    Plural(catalogue->games.size(), "game", "games") + ") ...");
    const VerifyTally tally = VerifyCollection(
        program, *catalogue, {folder},
        [&](const DiscReport& report) { say(VerdictLine(*catalogue, report)); }, say);
    pane.AppendLine(TallyLine(tally));
}

BuiltDatabase BuildDatabaseFromDats(Program& program, const std::string& folder,
                                    const DatCatalogue& catalogue) {
    Files& files = program.files();
    std::vector<DatabaseEntry> entries;
    std::vector<std::string> problems;
    std::vector<DiscReport> verified;
    VerifyCollection(
        program, catalogue, {folder},
        [&](const DiscReport& report) {
            if (report.verdict.status == VerifyStatus::VERIFIED)
                verified.push_back(report);
            else
                problems.push_back(VerdictLine(catalogue, report));
        },
        [&](const std::string& line) { problems.push_back(line); });

    const int16_t quiet = program.quietAnalysis;
    program.quietAnalysis = 1;
    for (const DiscReport& report : verified) {
        const DatGame& game = catalogue.games[*report.verdict.game];
        // The header block is read as the program reads it when it meets the disc later: the checksum
        // must be the one the analysis computes.
        program.disc.imagePath = report.disc.path;
        if (!AnalyseImageAccepted(program)) {
            problems.push_back(report.disc.path + ": " + LastLine(program.pane.Text()));
            continue;
        }
        if (!FitsInEntry(game.name)) {
            problems.push_back(report.disc.path + ": the game's name can't be a database name.");
            continue;
        }
        entries.push_back({game.name, HexForm(program.disc.crc32), report.disc.path,
                           SaturateInt16(static_cast<long long>(AudioTracksOf(game)))});
    }
    program.quietAnalysis = quiet;
    files.SetCurrentDirectory(folder);
    return DatabaseFromEntries(std::move(entries), std::move(problems));
}

}  // namespace cartovex
