#include "state/OutputPane.h"

#include "common/Text.h"
#include "platform/Files.h"
#include "platform/Window.h"
#include "state/MenuModel.h"

namespace cartovex {

void OutputPane::AppendLine(std::string_view text) {
    if (holding_) {
        held_.emplace_back(text);
        return;
    }
    window_.FocusControl(ID_OUTPUT_PANE);
    std::string added = "\r\n";
    added += text;
    text_ += added;
    if (controlStale_) {
        window_.SetPaneText(text_);
        controlStale_ = false;
    } else {
        window_.AppendPaneText(added);
    }
    window_.ScrollPane(window_.PaneLineCount());
    if (observer_) observer_(text);
}

void OutputPane::ReleaseHeld() {
    holding_ = false;
    std::vector<std::string> held = std::move(held_);
    held_.clear();
    for (const std::string& line : held) AppendLine(line);
}

void OutputPane::DropHeld() {
    holding_ = false;
    held_.clear();
}

void OutputPane::ClearPane() {
    text_.clear();
    controlStale_ = true;
}

void OutputPane::ShowTextFile(Files& files, const std::string& path) {
    ClearPane();
    auto length = files.FileLength(path);
    std::optional<std::string> data;
    if (length && *length > 0) data = files.ReadFile(path);
    if (!data || data->empty()) {
        // An empty file goes; one that exists but can't be read is left for the user.
        if (length && *length == 0) files.DeleteFile(path);
        return;
    }
    LineReader reader(*data);
    std::string line;
    while (reader.Next(line)) AppendLine(line);
}

}  // namespace cartovex
