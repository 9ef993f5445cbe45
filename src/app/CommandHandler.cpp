#include "app/CommandHandler.h"

namespace cartovex {

// Filled in with the shell.
void CommandHandler::Initialise() {}
void CommandHandler::Activate(bool) {}
void CommandHandler::Command(int, int) {}

}  // namespace cartovex
