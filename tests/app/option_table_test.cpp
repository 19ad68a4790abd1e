// The option table is the one place an option is declared: what it holds
// must reach the command line, its help, the server's checks and the
// page's description alike, and each option's default must pass its own
// checks.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "app/option_cli.h"
#include "app/option_table.h"

namespace {

using nlohmann::json;

const json* findOption(const json& answer, const std::string& name) {
    for (const json& group : answer["groups"])
        for (const json& option : group["options"])
            if (option["name"] == name)
                return &option;
    return nullptr;
}

}  // namespace

TEST(OptionTable, AMadeUpOptionReachesHelpTheServersChecksAndTheForm) {
    std::vector<OptionEntry> table = unfoldOptionTable();
    table.push_back({"glue-colour",
                     OptionType::Number,
                     OptionStage::Sheet,
                     "Pieces",
                     "glue colour",
                     "How dark the glue tabs print",
                     "%",
                     OptionRange{0, 100},
                     {},
                     "",
                     "",
                     &UnfoldOptions::lugWidth});
    CLI::App app;
    UnfoldOptions options;
    addTableOptions(app, table, options);
    std::string help = app.help();
    EXPECT_NE(help.find("--glue-colour"), std::string::npos) << help;
    EXPECT_NE(help.find("How dark the glue tabs print, between 0 and 100 %"), std::string::npos);

    json answer = optionsJson(table);
    const json* described = findOption(answer, "glue-colour");
    ASSERT_NE(described, nullptr);
    EXPECT_EQ((*described)["max"], 100);
    EXPECT_EQ((*described)["unit"], "%");

    std::vector<std::string> args;
    std::string error;
    EXPECT_FALSE(argumentsFromJson(table, json::object({{"glue-colour", 500}}), args, error));
    EXPECT_EQ(error, "--glue-colour 500: must be between 0 and 100 %");
    EXPECT_TRUE(argumentsFromJson(table, json::object({{"glue-colour", 50}}), args, error))
        << error;
    EXPECT_EQ(args, std::vector<std::string>{"--glue-colour=50"});
}

TEST(OptionTable, EveryDefaultPassesItsOwnChecksOnBothDoors) {
    const std::vector<OptionEntry>& table = unfoldOptionTable();
    EXPECT_EQ(firstRefusal(table, UnfoldOptions{}), "");
    json answer = optionsJson(table);
    json defaults = json::object();
    for (const OptionEntry& entry : table) {
        const json* described = findOption(answer, entry.name);
        ASSERT_NE(described, nullptr) << entry.name;
        defaults[entry.name] = (*described)["default"];
    }
    // What the page sends back unchanged, the server takes, and the command
    // line parses to the very same options.
    std::vector<std::string> args{"kivano"};
    std::string error;
    ASSERT_TRUE(argumentsFromJson(table, defaults, args, error)) << error;
    CLI::App app;
    UnfoldOptions parsed;
    addTableOptions(app, table, parsed);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    app.parse(int(argv.size()), argv.data());
    EXPECT_EQ(firstRefusal(table, parsed), "");
    UnfoldOptions defaultOptions;
    for (const OptionEntry& entry : table)
        std::visit(
            [&](auto member) { EXPECT_EQ(parsed.*member, defaultOptions.*member) << entry.name; },
            entry.field);
}

TEST(OptionTable, PaperSizesAndMistypedNames) {
    PaperSize size;
    ASSERT_TRUE(parsePaperSize("A4", size));
    EXPECT_EQ(size.width, 210);
    ASSERT_TRUE(parsePaperSize("a4l", size));
    EXPECT_EQ(size.width, 297);
    ASSERT_TRUE(parsePaperSize("100x50.5", size));
    EXPECT_EQ(size.height, 50.5);
    EXPECT_FALSE(parsePaperSize("A9", size));
    EXPECT_FALSE(parsePaperSize("100x", size));
    std::vector<std::string> names{"height", "scale", "page"};
    EXPECT_EQ(nearestName(names, "hieght"), "height");
    EXPECT_EQ(nearestName(names, "Scale"), "scale");
    EXPECT_EQ(nearestName(names, "colour"), "");
}
