#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "collection/Collection.h"
#include "collection/DiscPlaylists.h"
#include "collection/SharedListings.h"
#include "collection/SheetAudioTracks.h"
#include "collection/StagedCommit.h"
#include "disc/Analysis.h"
#include "disc/Identification.h"
#include "disc/ImgSet.h"
#include "disc/containers/ContainerKinds.h"
#include "outputs/Processing.h"
#include "outputs/RenameJournal.h"
#include "platform/PlanningFiles.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

std::string ParentOf(const std::string& path, char separator) {
    const size_t last = path.rfind(separator);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string LastPiece(const std::string& path, char separator) {
    const size_t last = path.rfind(separator);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string WithoutTrailingSeparators(std::string path, char separator) {
    while (!path.empty() && path.back() == separator) path.pop_back();
    return path;
}

// Where the image's folder went when processing renamed it. Processing leaves the current
// directory in the folder under its new name; only a folder that is really gone by its old name
// counts as renamed (on a case-insensitive disc a case-only rename leaves the old paths valid).
std::optional<std::string> RenamedFolder(Program& program, const std::string& before) {
    // Processing says where it took the folder, in the spelling the run gave it.
    const auto& renamed = program.Run().renamedFolder;
    if (renamed && renamed->first == before) return renamed->second;
    if (!renamed) return std::nullopt;
    Files& files = program.files();
    const char separator = files.Separator();
    if (files.IsDirectory(before)) return std::nullopt;
    const std::string parent = ParentOf(before, separator);
    for (const std::string& name :
         {LastPiece(files.CurrentDirectory(), separator), program.disc.folderName}) {
        if (name.empty()) continue;
        const std::string candidate = parent + separator + name;
        if (files.IsDirectory(candidate)) return candidate;
    }
    return std::nullopt;
}

// The listing was taken before the run: the tracks of a multi-track set that processing just
// renamed are listed under their old names.
void FollowFileRenames(std::vector<std::string>& images, size_t from,
                       const std::vector<std::pair<std::string, std::string>>& renames) {
    for (const auto& [before, after] : renames)
        for (size_t i = from; i < images.size(); ++i)
            if (images[i] == before) images[i] = after;
}

// The listing was taken before the run, so paths below a folder that was just renamed still carry
// its old name; without this they would all be unreadable.
void FollowRename(std::vector<std::string>& images, size_t from, const std::string& before,
                  const std::string& after, char separator) {
    const std::string prefix = before + separator;
    for (size_t i = from; i < images.size(); ++i)
        if (images[i].compare(0, prefix.size(), prefix) == 0)
            images[i] = after + separator + images[i].substr(prefix.size());
}

// An image lying directly in the chosen folder would have processing rename the chosen folder
// itself, the whole collection's folder, after that one disc, and again after the next one. That
// folder keeps its name. The user's folder toggle is left as it is, in the menu and in the settings
// file that processing writes, so nothing else ever sees it switched off.
ProcessOutcome ProcessKeepingFolderName(Program& program, RunContext& run) {
    run.keepFolderName = true;
    const ProcessOutcome outcome = ProcessImage(program);
    run.keepFolderName = false;
    return outcome;
}

// The run's context with its shared listings and database index, which it owns; whatever it put
// into an outer run's context is taken away however the run ends.
class MassRun {
public:
    explicit MassRun(Program& program)
        : scope_(program),
          run_(scope_.Context()),
          saved_(run_),
          shared_(program.files()),
          index_(program.database) {
        run_.files = &shared_;
        run_.databaseIndex = &index_;
        run_.settingsOnDisc = &settingsOnDisc_;
        run_.incomplete = false;
    }
    /// Reads the HAVE list once for the whole run.
    void KeepHaveList(Program& program) {
        haveList_ = ReadHaveList(program);
        run_.haveList = &haveList_;
    }
    ~MassRun() {
        run_.files = saved_.files;
        run_.databaseIndex = saved_.databaseIndex;
        run_.haveList = saved_.haveList;
        run_.settingsOnDisc = saved_.settingsOnDisc;
    }
    MassRun(const MassRun&) = delete;
    MassRun& operator=(const MassRun&) = delete;

    RunContext& Context() { return run_; }

private:
    RunScope scope_;
    RunContext& run_;
    const RunContext saved_;
    SharedListingFiles shared_;
    DatabaseIndex index_;
    std::vector<std::string> haveList_;
    std::optional<std::string> settingsOnDisc_;
};

// Discs planned through the dry-run overlay and not yet on the disc: their changes are committed
// together (see StagedCommit.h), and what the run kept of its listing and playlists before them is
// kept too, for processing them one by one when the batch can't be staged.
struct PlannedBatch {
    PlannedBatch(const Files& real, size_t start) : plan(real, [](const std::string&) {}), start(start) {}

    /// True when `folder` lies at, below or above a folder the batch's discs lie in: its listing, or
    /// its very path, may differ on the disc from the plan until the batch is committed.
    bool Touches(const std::string& folder, char separator) const {
        auto atOrBelow = [separator](const std::string& path, const std::string& base) {
            return path.compare(0, base.size(), base) == 0 &&
                   (path.size() == base.size() || path[base.size()] == separator);
        };
        return std::any_of(touched.begin(), touched.end(), [&](const std::string& other) {
            return atOrBelow(folder, other) || atOrBelow(other, folder);
        });
    }

    PlanningFiles plan;
    size_t start;
    std::vector<std::string> images;
    DiscPlaylists playlists;
    bool incomplete = false;
    std::string settled;
    std::vector<std::string> touched;
    size_t discs = 0;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
};

// A batch holds this many discs at most, and stops taking more after this long, so a kill loses
// little planning and the pane never waits long for its lines.
constexpr size_t BATCH_DISCS = 32;
constexpr auto BATCH_TIME = std::chrono::seconds(2);
// A disc that refuses staged writes twice (read-only, full) is processed disc by disc from then on.
constexpr int MOST_FALLBACKS = 2;

}  // namespace

void MassProcess(Program& program) {
    MassRun mass(program);
    RunContext& run = mass.Context();
    Files& files = program.files();
    OutputPane& pane = program.pane;
    const char separator = files.Separator();

    pane.ClearPane();
    const std::string folder = BrowseForFolder(program);
    program.massFolder = folder;
    if (folder.empty()) return;

    ListingFailures unread;
    std::vector<std::string> images = ListedImages(files, folder, &unread);
    files.SetCurrentDirectory(folder);
    // Images in a folder that can't be listed would be passed over without a word.
    for (const ListingFailure& failure : unread) pane.AppendLine(ListingFailureLine(failure));
    if (images.empty()) {
        // A chosen folder that can't be read has said so; whether it holds images is unknown.
        if (unread.empty() || unread.front().folder != folder)
            pane.AppendLine("There is no Sega CD images in the directory (" + folder + ")!");
        // The current directory moved, so the last analysed image can't be processed from here.
        program.window().EnableControl(ID_PROCESS_BUTTON, false);
        return;
    }
    pane.AppendLine("Mass process engaged on folder : " + folder + " ...");
    mass.KeepHaveList(program);

    const std::string chosen = WithoutTrailingSeparators(folder, separator);
    SheetAudioTracks audioTracks(files);
    // Each analysis sets the sheet toggle for its own image; the playlists follow the user's choice.
    const bool generateCue = program.window().MenuItemState(CMD_TOGGLE_GENERATE_CUE) == MENU_CHECKED;
    DiscPlaylists playlists;
    // Where the platform can, discs are planned in batches and their changes committed together.
    const bool stages = files.StagesWrites();
    program.quietAnalysis = 1;
    std::string settled;  // the last folder checked for an interrupted run
    std::optional<PlannedBatch> batch;
    size_t perDiscUntil = 0;  // the images before this are processed one by one
    int fallbacks = 0;

    // Puts the batch's changes on the disc. When they can't all be made, the batch is taken back to
    // where a disc by disc run would begin: the run then goes back to its first image and processes
    // its discs one by one, and each says in its own words what stands in its way.
    auto commit = [&]() -> std::optional<size_t> {
        PlannedBatch& planned = *batch;
        run.files = &files;
        const std::string where = planned.plan.CurrentDirectory();
        const auto& changes = planned.plan.Changes();
        const StagedCommit done = CommitStaged(files, changes, JOURNAL_NAME);
        const size_t start = planned.start;
        if (done.result == StagedCommit::Result::COMMITTED) {
            pane.ReleaseHeld();
            files.SetCurrentDirectory(where);
            batch.reset();
            return std::nullopt;
        }
        pane.DropHeld();
        images = std::move(planned.images);
        playlists = std::move(planned.playlists);
        run.incomplete = planned.incomplete;
        settled = planned.settled;
        ++fallbacks;
        // What the batch renamed before it stopped moves the listing with it; every disc it had begun
        // is then finished or undone from its journal, as after a kill.
        for (size_t k = 0; k < done.made; ++k) {
            if (changes[k].kind != PlanningFiles::Change::Kind::RENAME) continue;
            FollowFileRenames(images, start, {{changes[k].path, changes[k].target}});
            FollowRename(images, start, changes[k].path, changes[k].target, separator);
        }
        pane.Hold();
        for (const std::string& journalFolder : done.journalFolders) {
            if (!files.SetCurrentDirectory(journalFolder)) continue;
            std::vector<std::pair<std::string, std::string>> renamed;
            for (const RenameStep& step : FinishInterruptedRun(program).renamed)
                renamed.emplace_back(files.Join(journalFolder, step.from), files.Join(journalFolder, step.to));
            FollowFileRenames(images, start, renamed);
        }
        pane.DropHeld();
        batch.reset();
        return start;
    };

    for (size_t i = 0;;) {
        if (batch) {
            const std::string folderOfImage = i < images.size() ? ParentOf(images[i], separator) : std::string();
            const bool full = batch->discs >= BATCH_DISCS || std::chrono::steady_clock::now() - batch->began > BATCH_TIME;
            if (i == images.size() || full || batch->Touches(folderOfImage, separator)) {
                const size_t end = i;
                if (const auto again = commit()) {
                    perDiscUntil = std::max(perDiscUntil, end);
                    i = *again;
                }
                continue;
            }
        }
        if (i == images.size()) break;
        if (const std::string folderOfImage = ParentOf(images[i], separator); folderOfImage != settled) {
            settled = folderOfImage;
            // A run cut short here is finished (or undone) before its files are looked at. The batch
            // has not touched the folder, so it is settled on the disc itself.
            if (files.SetCurrentDirectory(folderOfImage)) {
                std::vector<std::pair<std::string, std::string>> renamed;
                for (const RenameStep& step : FinishInterruptedRun(program).renamed)
                    renamed.emplace_back(files.Join(folderOfImage, step.from),
                                         files.Join(folderOfImage, step.to));
                FollowFileRenames(images, i, renamed);
                if (batch && !renamed.empty()) {
                    FollowFileRenames(batch->images, i, renamed);
                    batch->plan.ForgetRealAnswers();
                }
                run.settledFolder = files.CurrentDirectory();
            }
        }
        const std::string image = images[i];
        const size_t at = i++;
        if (audioTracks.IsAudioTrack(image)) continue;
        files.ClearAttributes(image);
        program.disc.imagePath = image;
        // A file that vanished or can't be read ends the analysis with its own message and without a
        // match, so it is never processed under the previous image's identity. The analysis only
        // reads, in a folder the batch has not touched: the disc itself answers it.
        const bool opens = !batch && stages && at >= perDiscUntil && fallbacks < MOST_FALLBACKS;
        if (opens) pane.Hold();
        AnalyseImage(program);
        if (program.disc.matchIndex == NONE_VALUE) {
            if (opens) pane.ReleaseHeld();
            continue;
        }
        if (opens) {
            batch.emplace(files, at);
            batch->images = images;
            batch->playlists = playlists;
            batch->incomplete = run.incomplete;
            batch->settled = settled;
        }
        if (batch) {
            run.files = &batch->plan;
            batch->plan.SetCurrentDirectory(files.CurrentDirectory());
        }

        const std::string before = ParentOf(image, separator);
        const ProcessOutcome outcome =
            before == chosen ? ProcessKeepingFolderName(program, run) : ProcessImage(program);
        if (outcome == ProcessOutcome::INCOMPLETE) run.incomplete = true;
        if (outcome == ProcessOutcome::DONE && generateCue) playlists.Add(program);
        FollowFileRenames(images, i, run.renamedFiles);
        audioTracks.Forget(before);
        const auto after = before == chosen ? std::nullopt : RenamedFolder(program, before);
        if (after) FollowRename(images, i, before, *after, separator);
        if (batch) {
            batch->touched.push_back(before);
            if (after) batch->touched.push_back(*after);
            ++batch->discs;
            run.files = &files;
        }
    }
    run.files = &files;
    if (!playlists.Write(program)) run.incomplete = true;
    pane.AppendLine("Mass renaming of directory (" + folder + ") finished!");
    program.quietAnalysis = 0;
    files.SetCurrentDirectory(folder);
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
}

}  // namespace cartovex
