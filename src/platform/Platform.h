// The platform services handed to every operation.
#pragma once

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Network.h"
#include "platform/Process.h"
#include "platform/Window.h"

namespace cartovex {

struct Platform {
    Files& files;
    Window& window;
    Dialogs& dialogs;
    Process& process;
    Network& network;
    Clock& clock;
};

}  // namespace cartovex
