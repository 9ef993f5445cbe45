#include "platform/headless/HeadlessWindow.h"

#include <algorithm>

#include "state/MenuModel.h"

namespace cartovex {

HeadlessWindow::HeadlessWindow() {
    for (const MenuNode& node : MenuTree())
        if (node.kind == MenuNode::COMMAND) menuStates_[node.id] = node.initialState;
    controlsEnabled_[ID_OUTPUT_PANE] = true;
    controlsEnabled_[ID_BANNER] = true;
    controlsEnabled_[ID_PROCESS_BUTTON] = false;  // created disabled
}

int HeadlessWindow::MenuItemState(int commandId) const {
    auto it = menuStates_.find(commandId);
    return it == menuStates_.end() ? -1 : it->second;
}

void HeadlessWindow::SetMenuItemState(int commandId, int state) {
    auto it = menuStates_.find(commandId);
    if (it != menuStates_.end()) it->second = state;
}

void HeadlessWindow::EnableControl(int controlId, bool enabled) {
    controlsEnabled_[controlId] = enabled;
}

bool HeadlessWindow::IsControlEnabled(int controlId) const {
    auto it = controlsEnabled_.find(controlId);
    return it != controlsEnabled_.end() && it->second;
}

// The line count follows the edit control's rule for hard line breaks (CR LF); wrapping depends on
// a font and a width the headless window doesn't have.
void HeadlessWindow::SetPaneText(std::string_view text) {
    paneText_.assign(text);
    lineCount_ = 1;
    for (size_t at = paneText_.find("\r\n"); at != std::string::npos; at = paneText_.find("\r\n", at + 2))
        ++lineCount_;
}

void HeadlessWindow::AppendPaneText(std::string_view text) {
    paneText_ += text;
    for (size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2))
        ++lineCount_;
}

std::string HeadlessDialogs::OpenFile(const OpenFileRequest& request) {
    lastOpen_ = request;
    if (openAnswers_.empty()) return {};
    std::string answer = std::move(openAnswers_.front());
    openAnswers_.pop_front();
    return answer;
}

std::string HeadlessDialogs::BrowseForFolder(const std::string& prompt) {
    lastPrompt_ = prompt;
    if (folderAnswers_.empty()) return {};
    std::string answer = std::move(folderAnswers_.front());
    folderAnswers_.pop_front();
    return answer;
}

}  // namespace cartovex
