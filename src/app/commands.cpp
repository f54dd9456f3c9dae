// The command table: each command lives in its own file and is listed here.
#include "app/commands.h"

#include <array>

namespace kc::app {

std::span<const Command> Commands()
{
    static const std::array<Command, 0> kCommands = {};
    return kCommands;
}

} // namespace kc::app
