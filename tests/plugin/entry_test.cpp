// Loading and unloading the plug-in, its commands, menu and option window.
#include "host_fixture.h"

#include <cstdio>
#include <set>

#include "core/command.h"
#include "plugin/option_controls.h"
#include "ui/ui_api.h"

namespace {

const char* const commands[] = {"version", "kivano", "kivanomenu", "meshInfo"};

class Entry : public PluginTest {};

std::set<std::string> exportedSymbols() {
    std::set<std::string> symbols;
    std::string command = std::string("nm -D --defined-only ") + KIVANO_PLUGIN_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return symbols;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3)
            symbols.insert(name);
    }
    pclose(pipe);
    return symbols;
}

std::string label(const std::string& query) {
    return pythonResult(query);
}

TEST_F(Entry, ExportsExactlyTheThreeEntrySymbols) {
    std::set<std::string> expected = {"MApiVersion", "initializePlugin", "uninitializePlugin"};
    EXPECT_EQ(exportedSymbols(), expected);
}

TEST_F(Entry, LoadingAddsTheCommandsAndMenuAndUnloadingTakesThemAway) {
    for (const char* name : commands)
        EXPECT_NE(host::CommandRegistry::instance().find(name), nullptr) << name;
    ASSERT_NE(host::ui::findControl("kivanoMenu"), nullptr);
    EXPECT_EQ(host::ui::findControl("kivanoMenu")->children.size(), 2u);

    ASSERT_TRUE(run(std::string("unloadPlugin \"") + KIVANO_PLUGIN_PATH + "\""));
    for (const char* name : commands)
        EXPECT_EQ(host::CommandRegistry::instance().find(name), nullptr) << name;
    EXPECT_EQ(host::ui::findControl("kivanoMenu"), nullptr);

    ASSERT_TRUE(run(std::string("loadPlugin \"") + KIVANO_PLUGIN_PATH + "\""));
    EXPECT_NE(host::CommandRegistry::instance().find("kivano"), nullptr);
}

TEST_F(Entry, TakenCommandNameStopsTheLoadBeforeTheMenu) {
    const std::string path = KIVANO_PLUGIN_PATH;
    ASSERT_TRUE(run("unloadPlugin \"" + path + "\""));
    host::CommandSpec squatter;
    squatter.name = "kivano";
    squatter.run = [](const host::Invocation&, host::CommandContext&) { return MStatus(); };
    squatter.owner = "host";
    ASSERT_TRUE(host::CommandRegistry::instance().add(squatter));
    EXPECT_FALSE(run("loadPlugin \"" + path + "\""));
    EXPECT_TRUE(logHas("registerCommand failed(4)"));
    EXPECT_FALSE(logHas("registerCommand failed(1)"));
    EXPECT_EQ(host::ui::findControl("kivanoMenu"), nullptr);
    host::CommandRegistry::instance().remove("kivano");
    ASSERT_TRUE(run("loadPlugin \"" + path + "\""));
    EXPECT_NE(host::ui::findControl("kivanoMenu"), nullptr);
}

TEST_F(Entry, MenuItemsOpenTheWindowInEitherLanguage) {
    const host::ui::Control* menu = host::ui::findControl("kivanoMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(host::ui::triggerMenuItem(menu->children[0]->path()));
    EXPECT_NE(host::ui::findControl("Algorithmus"), nullptr);
    ASSERT_TRUE(host::ui::triggerMenuItem(menu->children[1]->path()));
    EXPECT_NE(host::ui::findControl("algorithm"), nullptr);
    EXPECT_EQ(host::ui::findControl("Algorithmus"), nullptr);
}

TEST_F(Entry, GermanWindowLabels) {
    openWindow(0);
    EXPECT_EQ(label("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",query=True,label=True)"),
              "Original loeschen");
    EXPECT_EQ(label("cmds.checkBox(" KIVANO_CONTROL_KEEP_MATERIALS ",query=True,label=True)"),
              "Materialien uebernehmen");
    EXPECT_EQ(label("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",query=True,label=True)"),
              "Seitengroesse beschraenken");
    EXPECT_EQ(label("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",query=True,label=True)"),
              "Laschen generieren");
    EXPECT_EQ(label("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,label=True)"),
              "Breite(mm)");
    EXPECT_EQ(label("cmds.textFieldGrp(" KIVANO_CONTROL_LUG_WIDTH ",query=True,label=True)"),
              "Maximale Breite(mm)");
    EXPECT_EQ(label("cmds.radioButton(" KIVANO_CONTROL_LAYERED ",query=True,label=True)"),
              "Schichtbild");
    for (const char* tab : {"Algorithmus", "Format", "Laschen"})
        EXPECT_NE(host::ui::findControl(tab), nullptr) << tab;
    EXPECT_EQ(label("cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)"),
              "r2");
    EXPECT_EQ(label("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",query=True,text=True)"),
              "297");
}

TEST_F(Entry, LanguageOutOfRangeMeansEnglishAndIsRemembered) {
    openWindow(0);
    ASSERT_TRUE(run("kivanomenu -l 7"));
    EXPECT_EQ(label("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",query=True,label=True)"),
              "delete original");
    EXPECT_NE(host::ui::findControl("lugs"), nullptr);
    ASSERT_TRUE(run("kivanomenu"));
    EXPECT_EQ(label("cmds.checkBox(" KIVANO_CONTROL_KEEP_MATERIALS ",query=True,label=True)"),
              "keep materials");
    int windows = 0;
    for (const std::string& name : host::ui::windowNames())
        windows += name.find("newWindow") != std::string::npos;
    EXPECT_EQ(windows, 1);
}

}  // namespace
