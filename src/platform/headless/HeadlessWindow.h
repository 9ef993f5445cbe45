// A window kept in memory: menu states from the shared menu table, control states and the pane
// control's text. Used by the tests and by the command-line program.
#pragma once

#include <deque>
#include <map>
#include <string>

#include "platform/Dialogs.h"
#include "platform/Window.h"

namespace cartovex {

class HeadlessWindow : public Window {
public:
    HeadlessWindow();

    int MenuItemState(int commandId) const override;
    void SetMenuItemState(int commandId, int state) override;
    void EnableControl(int controlId, bool enabled) override;
    bool IsControlEnabled(int controlId) const override;
    void FocusControl(int controlId) override { focused_ = controlId; }
    int FocusedControl() const override { return focused_; }
    void SetPaneText(std::string_view text) override;
    void AppendPaneText(std::string_view text) override;
    int PaneLineCount() const override { return lineCount_; }
    void ScrollPane(int lines) override { scrolledTo_ = lines; }
    void EndModal(int result) override {
        ended_ = true;
        result_ = result;
    }

    const std::string& PaneControlText() const { return paneText_; }
    int ScrolledTo() const { return scrolledTo_; }
    bool Ended() const { return ended_; }
    int Result() const { return result_; }

private:
    std::map<int, int> menuStates_;
    std::map<int, bool> controlsEnabled_;
    int focused_ = 0;
    std::string paneText_;
    int lineCount_ = 1;
    int scrolledTo_ = 0;
    bool ended_ = false;
    int result_ = 0;
};

/// Dialogs that answer from queues; an empty queue answers as a cancel.
class HeadlessDialogs : public Dialogs {
public:
    std::string OpenFile(const OpenFileRequest& request) override;
    std::string BrowseForFolder(const std::string& prompt) override;

    void QueueOpenFile(std::string path) { openAnswers_.push_back(std::move(path)); }
    void QueueFolder(std::string path) { folderAnswers_.push_back(std::move(path)); }
    const OpenFileRequest& LastOpenRequest() const { return lastOpen_; }
    const std::string& LastPrompt() const { return lastPrompt_; }

private:
    std::deque<std::string> openAnswers_, folderAnswers_;
    OpenFileRequest lastOpen_;
    std::string lastPrompt_;
};

}  // namespace cartovex
