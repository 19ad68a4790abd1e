#include "option_cli.h"

#include <type_traits>

void addTableOptions(CLI::App& cmd, const std::vector<OptionEntry>& table, UnfoldOptions& options) {
    std::vector<std::pair<CLI::Option*, std::string>> excluding;
    for (const OptionEntry& entry : table) {
        std::string flag = "--" + entry.name;
        CLI::Option* added = std::visit(
            [&](auto member) -> CLI::Option* {
                auto& value = options.*member;
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>)
                    return cmd.add_flag(flag, value, fullHelp(entry));
                else if constexpr (std::is_same_v<T, std::optional<double>>)
                    return cmd.add_option(flag, value, fullHelp(entry));
                else
                    return cmd.add_option(flag, value, fullHelp(entry))->capture_default_str();
            },
            entry.field);
        added->group(entry.group);
        if (entry.type == OptionType::Count)
            added->type_name("INT");  // also where an unset value is kept as a number
        if (!entry.excludes.empty())
            excluding.emplace_back(added, "--" + entry.excludes);
    }
    for (auto& [option, other] : excluding)
        if (CLI::Option* excluded = cmd.get_option_no_throw(other))
            option->excludes(excluded);
}
