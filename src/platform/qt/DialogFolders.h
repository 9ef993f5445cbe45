// Where the open-file dialog and the folder browser start. The program asks for its current
// folder, which is where the user's images are when it was started from a terminal in a working
// folder. Started from the menu entry, the launcher makes the program's own data folder current,
// and no image lives there: then the first dialog starts in the home folder, and later ones
// where the last one ended.
#pragma once

#include <string>
#include <utility>

namespace cartovex {

class DialogFolders {
public:
    /// Paths as the platform spells them, already made canonical by the caller.
    DialogFolders(std::string dataFolder, std::string home)
        : dataFolder_(std::move(dataFolder)), home_(std::move(home)) {}

    /// The folder a dialog starts in when the program asks for `requested` (empty: no wish, as for
    /// the folder browser).
    std::string StartIn(const std::string& requested) const;
    /// The folder a dialog showed when it closed, confirmed or cancelled.
    void Ended(const std::string& folder);

private:
    std::string dataFolder_, home_, last_;
};

}  // namespace cartovex
