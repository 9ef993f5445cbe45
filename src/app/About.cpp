#include "app/About.h"

#include <string>

#include "common/Text.h"

namespace cartovex {

namespace {

constexpr std::string_view AUTHOR = "Cartovex Team";
constexpr std::string_view WEB_ADDRESS = "http://www.cartovex.example.org";
constexpr std::string_view MAIL_ADDRESS = "team@cartovex.example.org";

// The author's name in large letters; every line is 64 characters wide.
constexpr std::string_view AUTHOR_ART[] = {
    "           __  _   _  ___  _       __           ___  __  _      ",
    "          /   / \\ |_)  |  / \\ | | |_  \\ /        |  |_  / \\ |\\/|",
    "          |   |_| |\\   |  | | \\ / |    X         |  |   |_| |  |",
    "          \\__ | | | \\  |  \\_/  V  |__ / \\        |  |__ | | |  |",
};

constexpr std::string_view THANKS[] = {
    "        Mira Santel, Joren Valk and Oskar Lindqvist for their disc dumps,",
    "        the Hollow Bay Disc Archive, the Tin Lantern preservation group,",
    "        the folks at retro-vault.example.net and the KVX testers' team,",
};

// The credit line puts the version at the end of column 75, whatever the name's length.
constexpr size_t CREDIT_VERSION_COLUMN = 70;
const std::string RULE(75, '-');

}  // namespace

void ShowAbout(Program& program) {
    program.files().SetCurrentDirectory(program.startFolder);
    OutputPane& pane = program.pane;
    pane.ClearPane();

    pane.AppendLine("    By");
    for (std::string_view line : AUTHOR_ART) pane.AppendLine(line);
    pane.AppendLine("");
    std::string credit = "Coded by : " + std::string(AUTHOR);
    if (credit.size() < CREDIT_VERSION_COLUMN) credit.resize(CREDIT_VERSION_COLUMN, ' ');
    pane.AppendLine(credit + program.versionText);
    pane.AppendLine(RULE);
    pane.AppendLine(std::string(17, ' ') + "UrL    : " + std::string(WEB_ADDRESS));
    pane.AppendLine(std::string(17, ' ') + "e-Mail : " + std::string(MAIL_ADDRESS));
    pane.AppendLine(RULE);
    pane.AppendLine(
        "        Header Database (DATA.KVX) version       :" + NumberText(program.database.version) + " (" +
        PlainNumber(program.database.count) + " entries)");
    pane.AppendLine("        Developper List (DEVELOPPER.KVX) version :" +
                    NumberText(program.developers.version));
    pane.AppendLine(RULE);
    pane.AppendLine("                          Special Thanks to :");
    pane.AppendLine("");
    for (std::string_view line : THANKS) pane.AppendLine(line);
    pane.AppendLine("        and all the folks from the Sega scene :) THANX!!!!!!!!!");
}

}  // namespace cartovex
