// The table of headless commands the executable offers.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace kc::app {

struct Command {
    const char* name;
    const char* summary;
    // Runs the command with the arguments after its name; returns the process exit status.
    int (*run)(const std::vector<std::string>& args);
};

// Every command, in the order --help lists them.
std::span<const Command> Commands();

} // namespace kc::app
