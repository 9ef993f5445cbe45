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

// What the loop over the images keeps as it goes: the listing (followed through every rename), the
// multi-disc games, the folder last settled, whether a disc was left incomplete.
struct LoopState {
    std::vector<std::string> images;
    DiscPlaylists playlists;
    std::string settled;
    bool incomplete = false;
};

// Discs planned through the dry-run overlay and not yet on the disc: their changes are committed
// together (see StagedCommit.h). The loop's state before them is kept, for processing them one by
// one when the batch can't be committed.
struct PlannedBatch {
    PlannedBatch(const Files& real, size_t start, LoopState before)
        : plan(real, [](const std::string&) {}), start(start), before(std::move(before)) {
        plan.AnswerFromRealListings();
    }

    /// True when `folder` lies at, below or above a folder the batch's discs lie in: its listing, or
    /// its very path, may differ on the disc from the plan until the batch is committed.
    bool Touches(const std::string& folder, char separator) const {
        return std::any_of(touched.begin(), touched.end(), [&](const std::string& other) {
            return PathIsAtOrBelow(folder, other, separator) || PathIsAtOrBelow(other, folder, separator);
        });
    }
    bool Full() const {
        return discs >= BATCH_DISCS || std::chrono::steady_clock::now() - began > BATCH_TIME;
    }

    // A batch holds this many discs at most, and stops taking more after this long, so a kill loses
    // little planning and the pane never waits long for its lines.
    static constexpr size_t BATCH_DISCS = 32;
    static constexpr auto BATCH_TIME = std::chrono::seconds(2);

    PlanningFiles plan;
    size_t start;  // the index of its first image
    LoopState before;
    std::vector<std::string> touched;
    size_t discs = 0;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
};

// A disc that refuses staged writes twice (read-only, full) is processed disc by disc from then on.
constexpr int MOST_FALLBACKS = 2;

struct Settled {
    bool found = false;                                        // a journal was there
    std::vector<std::pair<std::string, std::string>> renamed;  // full paths
};

// Finishes or undoes the run a journal in `folder` records, and follows its renames in the listing
// from image `from` on.
Settled SettleFolder(Program& program, const std::string& folder, std::vector<std::string>& images,
                     size_t from) {
    Files& files = program.files();
    Settled settled;
    if (!files.SetCurrentDirectory(folder)) return settled;
    const Recovery recovery = FinishInterruptedRun(program);
    settled.found = recovery.found;
    for (const RenameStep& step : recovery.renamed)
        settled.renamed.emplace_back(files.Join(folder, step.from), files.Join(folder, step.to));
    FollowFileRenames(images, from, settled.renamed);
    if (program.run) program.run->settledFolder = files.CurrentDirectory();
    return settled;
}

// Puts the batch's changes on the disc, with its pane lines. When they can't all be made, the loop is
// taken back to where the batch began, as a disc by disc run would find the disc: what the batch
// renamed before it stopped moves the listing with it, and every disc it had begun is finished or
// undone from its journal, as after a kill (quietly: each disc, processed again on its own, says
// what stands in its way). Gives the image to go on from one by one, or nothing.
std::optional<size_t> CommitBatch(Program& program, PlannedBatch& batch, LoopState& state) {
    Files& files = program.files();
    const char separator = files.Separator();
    const auto& changes = batch.plan.Changes();
    const StagedCommit done = CommitStaged(files, changes, JOURNAL_NAME);
    if (done.result == StagedCommit::Result::COMMITTED) {
        program.pane.ReleaseHeld();
        files.SetCurrentDirectory(batch.plan.CurrentDirectory());
        return std::nullopt;
    }
    program.pane.DropHeld();
    state = std::move(batch.before);
    for (size_t k = 0; k < done.made; ++k) {
        if (changes[k].kind != PlanningFiles::Change::Kind::RENAME) continue;
        FollowFileRenames(state.images, batch.start, {{changes[k].path, changes[k].target}});
        FollowRename(state.images, batch.start, changes[k].path, changes[k].target, separator);
    }
    program.pane.Hold();
    for (const std::string& journalFolder : done.journalFolders)
        SettleFolder(program, journalFolder, state.images, batch.start);
    program.pane.DropHeld();
    return batch.start;
}

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
    LoopState state;
    std::vector<std::string>& images = state.images;
    images = ListedImages(files, folder, &unread);
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
    // Where the platform can, discs are planned in batches and their changes committed together.
    const bool stages = files.StagesWrites();
    std::optional<PlannedBatch> batch;
    size_t perDiscUntil = 0;  // the images before this are processed one by one
    int fallbacks = 0;
    program.quietAnalysis = 1;
    for (size_t i = 0;;) {
        if (batch && (i == images.size() || batch->Full() ||
                      batch->Touches(ParentOf(images[i], separator), separator))) {
            if (const auto again = CommitBatch(program, *batch, state)) {
                perDiscUntil = std::max(perDiscUntil, i);
                ++fallbacks;
                run.incomplete = state.incomplete;
                i = *again;
            }
            batch.reset();
            continue;
        }
        if (i == images.size()) break;
        if (const std::string folderOfImage = ParentOf(images[i], separator);
            folderOfImage != state.settled) {
            state.settled = folderOfImage;
            // A run cut short here is finished (or undone) before its files are looked at. No batch
            // has touched the folder, so it is settled on the disc itself.
            const Settled settledNow = SettleFolder(program, folderOfImage, images, i);
            if (batch && settledNow.found) {
                FollowFileRenames(batch->before.images, i, settledNow.renamed);
                batch->plan.ForgetRealAnswers();
            }
        }
        const std::string image = images[i];
        const size_t at = i++;
        if (audioTracks.IsAudioTrack(image)) continue;
        program.disc.imagePath = image;
        // A file that vanished or can't be read ends the analysis with its own message and without a
        // match, so it is never processed under the previous image's identity. The analysis only
        // reads, in a folder no batch has touched: the disc itself answers it.
        const bool opens = !batch && stages && at >= perDiscUntil && fallbacks < MOST_FALLBACKS;
        if (opens) pane.Hold();
        AnalyseImage(program);
        // After the header is read, whose look at the file tells the platform whether there is
        // anything to clear; nothing of the analysis is changed by it.
        files.ClearAttributes(image);
        if (program.disc.matchIndex == NONE_VALUE) {
            if (opens) pane.ReleaseHeld();
            continue;
        }
        state.incomplete = run.incomplete;
        if (opens) batch.emplace(files, at, state);
        if (batch) {
            run.files = &batch->plan;
            batch->plan.SetCurrentDirectory(files.CurrentDirectory());
        }

        const std::string before = ParentOf(image, separator);
        const ProcessOutcome outcome =
            before == chosen ? ProcessKeepingFolderName(program, run) : ProcessImage(program);
        if (outcome == ProcessOutcome::INCOMPLETE) run.incomplete = true;
        if (outcome == ProcessOutcome::DONE && generateCue) state.playlists.Add(program);
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
    DiscPlaylists& playlists = state.playlists;
    if (!playlists.Write(program)) run.incomplete = true;
    pane.AppendLine("Mass renaming of directory (" + folder + ") finished!");
    program.quietAnalysis = 0;
    files.SetCurrentDirectory(folder);
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
}

}  // namespace cartovex
