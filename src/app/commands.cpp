// The command table: each command lives in its own file and is listed here.
#include "app/commands.h"

#include <array>

namespace kc::app {

// Defined in the commands' own files.
extern const Command kDemoShopCommand;

std::span<const Command> Commands()
{
    static const std::array<Command, 1> kCommands = {kDemoShopCommand};
    return kCommands;
}

} // namespace kc::app
