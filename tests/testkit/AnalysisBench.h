// A program in a temporary start folder, ready to analyse images written beside it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/Text.h"
#include "disc/Analysis.h"
#include "disc/Crc32.h"
#include "state/MenuModel.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

namespace cartovex::testkit {

class AnalysisBench {
public:
    /// The start folder is a fresh temporary folder, so the HAVE list and the reference files
    /// never come from the folder the tests run in.
    explicit AnalysisBench(Files* files = nullptr) {
        std::filesystem::current_path(start.Path());
        test = files ? std::make_unique<TestProgram>(*files) : std::make_unique<TestProgram>();
    }

    Program& program() { return test->program; }
    HeadlessWindow& window() { return test->window; }

    /// Adds a database entry "title#CRC#tracks" for a header block.
    void Know(const std::string& title, const HeaderBlock& header, int tracks) {
        KnowLine(title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks));
    }
    void KnowLine(const std::string& line) {
        HeaderDatabase& db = program().database;
        db.entries[static_cast<size_t>(db.count++)] = line;
    }

    /// Analyses a path and returns the lines it appended to the pane.
    std::vector<std::string> Analyse(const std::string& path) {
        const size_t before = program().pane.Text().size();
        program().disc.imagePath = path;
        AnalyseImage(program());
        return NewLines(before);
    }

    std::vector<std::string> NewLines(size_t since) const {
        std::string added = test->program.pane.Text().substr(since);
        std::vector<std::string> lines;
        for (size_t at = 0; at < added.size();) {
            // Every append starts with CR LF.
            size_t next = added.find("\r\n", at + 2);
            lines.push_back(
                added.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
            at = next == std::string::npos ? added.size() : next;
        }
        return lines;
    }

    bool ProcessEnabled() const { return test->window.IsControlEnabled(ID_PROCESS_BUTTON); }
    int MenuState(int id) const { return test->window.MenuItemState(id); }
    bool RegionItemsDisabled() const {
        for (int id : {CMD_TO_EUROPE, CMD_TO_JAPAN, CMD_TO_USA})
            if (MenuState(id) != MENU_DISABLED) return false;
        return true;
    }

    CurrentDirectoryGuard guard;
    TempFolder start;
    TempFolder images;
    std::unique_ptr<TestProgram> test;
};

}  // namespace cartovex::testkit
