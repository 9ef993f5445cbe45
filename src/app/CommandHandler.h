// The main window's handler: the one place where the user's actions become work. Every window
// backend (Qt, Win32, the headless one of the command-line program) forwards its window's
// initialisation, activation changes and commands here.
#pragma once

#include "state/Program.h"

namespace cartovex {

class CommandHandler {
public:
    explicit CommandHandler(Program& program) : program_(program) {}

    /// The window's initialisation, before it is first shown: load the reference files, read the
    /// settings, show the About text, try the database update.
    void Initialise();

    /// An activation change of the window's frame: the focused control is remembered on
    /// deactivation and given the focus again on activation.
    void Activate(bool active);

    /// A command from the menu, an accelerator or a control. `notification` is the control's
    /// notification code (0 for menus and accelerators; the PROCESS button acts on 0 and 1 only).
    void Command(int commandId, int notification = 0);

private:
    Program& program_;
    int savedFocus_ = 0;
};

}  // namespace cartovex
