#include "option_cli.h"

#include <type_traits>

void addTableOptions(CLI::App& cmd, const std::vector<OptionSpec>& table, UnfoldOptions& options) {
    std::vector<std::pair<CLI::Option*, std::string>> excluding;
    for (const OptionSpec& spec : table) {
        std::string flag = "--" + spec.name;
        CLI::Option* added = std::visit(
            [&](auto member) -> CLI::Option* {
                auto& value = options.*member;
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>)
                    return cmd.add_flag(flag, value, fullHelp(spec));
                else if constexpr (std::is_same_v<T, std::optional<double>>)
                    return cmd.add_option(flag, value, fullHelp(spec));
                else
                    return cmd.add_option(flag, value, fullHelp(spec))->capture_default_str();
            },
            spec.field);
        added->group(spec.group);
        if (!spec.excludes.empty())
            excluding.emplace_back(added, "--" + spec.excludes);
    }
    for (auto& [option, other] : excluding)
        if (CLI::Option* excluded = cmd.get_option_no_throw(other))
            option->excludes(excluded);
}
