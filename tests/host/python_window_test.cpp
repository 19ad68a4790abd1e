// The option window built from the plug-in's own lines in both languages,
// read back the way the unfold command reads it.
#include <string>
#include <vector>

#include "core/command.h"
#include "plugin/option_controls.h"
#include "python_test_support.h"
#include "python_window_lines.h"
#include "ui/ui_api.h"

namespace {

using kivano_test::lastError;
using kivano_test::logContains;
using kivano_test::pythonValue;
using kivano_test::runLines;

struct Language {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> tabs;
    // Labels in the order the window shows them: delete original, keep materials, limit page,
    // page width, page height, caption, the three arrangement buttons, generate lugs, lug width.
    std::vector<std::string> labels;
};

void PrintTo(const Language& language, std::ostream* out) {
    *out << language.name;
}

std::vector<Language> languages() {
    return {
        {"German",
         kivano_test::germanWindowLines(),
         {"Algorithmus", "Format", "Laschen"},
         {"Original loeschen", "Materialien uebernehmen", "Seitengroesse beschraenken",
          "Breite(mm)", "Hoehe(mm)", "Ergebnis anordnen:", "nebeneinander", "Animation",
          "Schichtbild", "Laschen generieren", "Maximale Breite(mm)"}},
        {"English",
         kivano_test::englishWindowLines(),
         {"algorithm", "format", "lugs"},
         {"delete original", "keep materials", "limitate pagesize", "width(mm)", "height(mm)",
          "result alignment:", "side by side", "animation", "layered", "generate lugs",
          "maximum width(mm)"}},
    };
}

void buildWindow(const Language& language) {
    ASSERT_EQ(runLines(kivano_test::setupLines()), 0) << lastError();
    ASSERT_EQ(runLines(language.lines), 0) << lastError();
}

class OptionWindow : public kivano_test::PythonHostTest,
                     public ::testing::WithParamInterface<Language> {};

TEST_P(OptionWindow, HoldsEveryControlWithItsLabelAndDefault) {
    const Language& language = GetParam();
    buildWindow(language);

    const host::ui::Control* window = host::ui::findControl("newWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(pythonValue("cmds.window(newWindow,query=True,title=True)"), "Kivano V1.0");
    EXPECT_EQ(pythonValue("cmds.window(newWindow,query=True,widthHeight=True)"), "[140, 160]");
    EXPECT_EQ(
        pythonValue("cmds.tabLayout('tabs',query=True,tabLabel=True)"),
        "['" + language.tabs[0] + "', '" + language.tabs[1] + "', '" + language.tabs[2] + "']");
    EXPECT_EQ(pythonValue("cmds.tabLayout('tabs',query=True,imageVisible=True)"), "False");
    EXPECT_EQ(
        pythonValue("cmds.columnLayout('" + language.tabs[0] + "',query=True,columnWidth=True)"),
        "160");
    EXPECT_EQ(
        pythonValue("cmds.columnLayout('" + language.tabs[2] + "',query=True,columnAttach=True)"),
        "['both', 1]");

    const std::vector<std::string> variables = {
        KIVANO_CONTROL_DELETE_ORIGINAL, KIVANO_CONTROL_KEEP_MATERIALS, KIVANO_CONTROL_LIMIT_PAGE,
        KIVANO_CONTROL_PAGE_WIDTH, KIVANO_CONTROL_PAGE_HEIGHT};
    const std::vector<std::string> kinds = {"checkBox", "checkBox", "checkBox", "textFieldGrp",
                                            "textFieldGrp"};
    for (size_t i = 0; i < variables.size(); ++i)
        EXPECT_EQ(pythonValue("cmds." + kinds[i] + "(" + variables[i] + ",query=True,label=True)"),
                  language.labels[i]);
    EXPECT_EQ(pythonValue("cmds.text('" + language.labels[5] + "',query=True,label=True)"),
              language.labels[5]);
    EXPECT_EQ(
        pythonValue("cmds.radioButton(" KIVANO_CONTROL_SIDE_BY_SIDE ",query=True,label=True)"),
        language.labels[6]);
    EXPECT_EQ(pythonValue("cmds.radioButton(" KIVANO_CONTROL_ANIMATION ",query=True,label=True)"),
              language.labels[7]);
    EXPECT_EQ(pythonValue("cmds.radioButton(" KIVANO_CONTROL_LAYERED ",query=True,label=True)"),
              language.labels[8]);
    EXPECT_EQ(pythonValue("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",query=True,label=True)"),
              language.labels[9]);
    EXPECT_EQ(pythonValue("cmds.textFieldGrp(" KIVANO_CONTROL_LUG_WIDTH ",query=True,label=True)"),
              language.labels[10]);

    // The first check box was named by its text, the others got generated names.
    EXPECT_EQ(pythonValue(KIVANO_CONTROL_DELETE_ORIGINAL),
              "newWindow|tabs|" + language.tabs[0] + "|" + language.labels[0]);
    EXPECT_EQ(pythonValue(KIVANO_CONTROL_LAYERED), "newWindow|tabs|" + language.tabs[1] + "|r2");
    EXPECT_EQ(
        pythonValue("cmds.radioButton(" KIVANO_CONTROL_SIDE_BY_SIDE ",query=True,select=True)"),
        "False");
    EXPECT_EQ(pythonValue("cmds.radioButton(" KIVANO_CONTROL_LAYERED ",query=True,select=True)"),
              "True");
    EXPECT_EQ(pythonValue("cmds.columnLayout('" + language.tabs[1] +
                          "',query=True,numberOfChildren=True)"),
              "9");
}

TEST_P(OptionWindow, AnswersTheUnfoldCommandsQueries) {
    buildWindow(GetParam());
    const std::vector<std::string> expected = {"210",  "297",  "4",    "False",
                                               "True", "True", "True", "r2"};
    const std::vector<std::string> queries = kivano_test::optionQueries();
    ASSERT_EQ(queries.size(), expected.size());
    for (size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(pythonValue(queries[i]), expected[i]) << queries[i];
}

TEST_P(OptionWindow, BuiltTwiceLeavesOneWindowAndFreshControls) {
    buildWindow(GetParam());
    ASSERT_EQ(runLines({"cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",edit=True,text='150')"}),
              0);
    buildWindow(GetParam());
    int count = 0;
    for (const std::string& name : host::ui::windowNames())
        count += name == "newWindow";
    EXPECT_EQ(count, 1);
    EXPECT_EQ(pythonValue("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,text=True)"),
              "210");
    // Generated names restart once the old window has gone.
    EXPECT_EQ(pythonValue(KIVANO_CONTROL_KEEP_MATERIALS),
              "newWindow|tabs|" + GetParam().tabs[0] + "|checkBox1");
}

TEST_P(OptionWindow, ShowsWhatAPersonWouldSee) {
    const Language& language = GetParam();
    buildWindow(language);
    const std::string text = host::ui::windowText("newWindow");
    EXPECT_TRUE(logContains(text)) << "showWindow did not print the window";
    EXPECT_NE(text.find("Kivano V1.0"), std::string::npos) << text;
    EXPECT_NE(text.find("[x] " + language.labels[0]), std::string::npos) << text;
    EXPECT_NE(text.find("[ ] " + language.labels[2]), std::string::npos) << text;
    EXPECT_NE(text.find(language.labels[3] + ": [210]"), std::string::npos) << text;
    EXPECT_NE(text.find("( ) " + language.labels[6]), std::string::npos) << text;
    EXPECT_NE(text.find("(o) " + language.labels[8]), std::string::npos) << text;
    EXPECT_NE(text.find(language.labels[10] + ": [4]"), std::string::npos) << text;
    for (const std::string& tab : language.tabs)
        EXPECT_NE(text.find("-- " + tab + " --"), std::string::npos) << text;
    size_t starts = 0;
    for (size_t at = text.find("[Start]"); at != std::string::npos;
         at = text.find("[Start]", at + 1))
        ++starts;
    EXPECT_EQ(starts, 3u) << text;
}

std::string languageName(const ::testing::TestParamInfo<Language>& language) {
    return language.param.name;
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, OptionWindow, ::testing::ValuesIn(languages()),
                         languageName);

}  // namespace
