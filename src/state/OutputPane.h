// The pane text the program keeps, and the operations that append to it, clear it and fill it from a
// text file. Every append puts CR LF in front of the new text, so a non-empty pane starts with an
// empty line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

class Files;
class Window;

class OutputPane {
public:
    explicit OutputPane(Window& window) : window_(window) {}

    void AppendLine(std::string_view text);
    /// Empties the pane text; the control keeps its old content until the next append.
    void ClearPane();
    /// Clears the pane and appends every line of a text file. An empty file is deleted
    /// and nothing is appended.
    void ShowTextFile(Files& files, const std::string& path);

    const std::string& Text() const { return text_; }

    /// Keeps appended lines back until ReleaseHeld appends them or DropHeld forgets them: a step
    /// that may yet be taken back says nothing until it stands.
    void Hold() { holding_ = true; }
    void ReleaseHeld();
    void DropHeld();

    /// Called with every appended text (the command-line program prints them).
    void SetAppendObserver(std::function<void(std::string_view)> observer) {
        observer_ = std::move(observer);
    }

private:
    Window& window_;
    std::string text_;
    // The control holds exactly `text_` while this is false, so an append only has to send the new
    // part. After a clear the next append sends the whole (short) text instead.
    bool controlStale_ = false;
    std::function<void(std::string_view)> observer_;
    bool holding_ = false;
    std::vector<std::string> held_;
};

}  // namespace cartovex
