#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ormalix::tool
{
// A subcommand of ormalix-tool. Each lives in its own file and registers itself with a static
// ToolCommand::Registration, so adding one touches no other file.
struct ToolCommand
{
    std::string name;
    std::string summary;
    // Receives the arguments after the subcommand's name; returns the exit status
    // (0 success, 2 bad arguments or bad input).
    std::function<int (const std::vector<std::string>&)> run;

    struct Registration
    {
        explicit Registration (ToolCommand command);
    };

    static const std::vector<ToolCommand>& all();
};

// Prints "ormalix-tool <command>: <message>" to standard error and returns 2.
int fail (const std::string& command, const std::string& message);

bool wantsHelp (const std::vector<std::string>& args);
} // namespace ormalix::tool
