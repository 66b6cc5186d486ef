#include "ToolCommand.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <iostream>

namespace ormalix::tool
{
static std::vector<ToolCommand>& registry()
{
    static std::vector<ToolCommand> commands;
    return commands;
}

ToolCommand::Registration::Registration (ToolCommand command) { registry().push_back (std::move (command)); }

const std::vector<ToolCommand>& ToolCommand::all() { return registry(); }

int fail (const std::string& command, const std::string& message)
{
    std::cerr << "ormalix-tool " << command << ": " << message << "\n";
    return 2;
}

bool wantsHelp (const std::vector<std::string>& args)
{
    return std::any_of (args.begin(), args.end(), [] (const std::string& a) { return a == "--help" || a == "-h"; });
}
} // namespace ormalix::tool

static void printUsage()
{
    std::cout << "usage: ormalix-tool <command> [options]\n\ncommands:\n";
    auto commands = ormalix::tool::ToolCommand::all();
    std::sort (commands.begin(), commands.end(), [] (auto& a, auto& b) { return a.name < b.name; });
    for (auto& c : commands)
        std::cout << "  " << c.name << std::string (c.name.size() < 20 ? 20 - c.name.size() : 1, ' ') << c.summary << "\n";
    std::cout << "\nRun 'ormalix-tool <command> --help' for a command's options.\n";
}

int main (int argc, char** argv)
{
    if (argc < 2 || std::string (argv[1]) == "--help" || std::string (argv[1]) == "-h")
    {
        printUsage();
        return argc < 2 ? 2 : 0;
    }

    const std::string name = argv[1];
    for (auto& c : ormalix::tool::ToolCommand::all())
    {
        if (c.name == name)
        {
            juce::ScopedJuceInitialiser_GUI juce;
            return c.run (std::vector<std::string> (argv + 2, argv + argc));
        }
    }

    std::cerr << "ormalix-tool: unknown command '" << name << "' (try --help)\n";
    return 2;
}
