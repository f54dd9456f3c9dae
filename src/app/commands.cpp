// The command table: each command lives in its own file and is listed here.
#include "app/commands.h"

#include <array>

namespace kc::app {

// Defined in the commands' own files.
extern const Command kDemoShopCommand;
extern const Command kRunCommand;
extern const Command kDemoCommand;

std::span<const Command> Commands()
{
    static const std::array<Command, 3> kCommands = {kDemoCommand, kRunCommand, kDemoShopCommand};
    return kCommands;
}

} // namespace kc::app
