#include "plugin/kivano_cmd.h"

#include <maya/MArgDatabase.h>
#include <maya/MArgList.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MProgressWindow.h>
#include <maya/MSyntax.h>

#include "geometry/options.h"
#include "plugin/command_arguments.h"
#include "plugin/option_controls.h"
#include "plugin/option_text.h"
#include "plugin/progress_steps.h"
#include "scenein/extract.h"
#include "scenein/init_triangles.h"
#include "sceneout/draw_container.h"
#include "unfold/algokante.h"
#include "unfold/fewest_pieces.h"
#include "unfold/run_state.h"

const char* const kivanoHelpText = "kivano:\nVerwandelt aktuelle Szene in einen Bastelbogen\n";

namespace {

// The host's progress window follows the steps when the host has one to
// give; the lines in the script editor are shown either way.
class StepProgress {
public:
    StepProgress() : reserved_(MProgressWindow::reserve()) {
        if (!reserved_)
            return;
        MProgressWindow::setTitle("kivano");
        MProgressWindow::setProgressRange(0, kKivanoStepCount);
        MProgressWindow::setProgress(0);
        MProgressWindow::startProgress();
    }
    ~StepProgress() {
        if (reserved_)
            MProgressWindow::endProgress();
    }
    StepProgress(const StepProgress&) = delete;
    StepProgress& operator=(const StepProgress&) = delete;

    void reach(KivanoStep step, const char* line) const {
        MGlobal::displayInfo(line);
        if (!reserved_)
            return;
        MProgressWindow::setProgressStatus(line);
        MProgressWindow::setProgress(int(step));
    }

    // A line of how a long step goes, within it.
    void tell(const MString& line) const {
        MGlobal::displayInfo(line);
        if (reserved_)
            MProgressWindow::setProgressStatus(line);
    }

private:
    bool reserved_;
};

// One question to the option window and the option field it fills.
struct OptionQuery {
    const char* query;
    const char* control;
    const char* label;
    double KivanoOptionsRecord::*length;
    bool KivanoOptionsRecord::*flag;
};

const OptionQuery optionQueries[] = {
    {"cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",query=True,text=True)",
     KIVANO_CONTROL_PAGE_WIDTH, "page width", &KivanoOptionsRecord::pageWidth, nullptr},
    {"cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",query=True,text=True)",
     KIVANO_CONTROL_PAGE_HEIGHT, "page height", &KivanoOptionsRecord::pageHeight, nullptr},
    {"cmds.textFieldGrp(" KIVANO_CONTROL_LUG_WIDTH ",query=True,text=True)",
     KIVANO_CONTROL_LUG_WIDTH, "maximum lug width", &KivanoOptionsRecord::maxLugWidth, nullptr},
    {"cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",query=True,value=True)",
     KIVANO_CONTROL_LIMIT_PAGE, "limit page size", nullptr, &KivanoOptionsRecord::limitPageSize},
    {"cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",query=True,value=True)",
     KIVANO_CONTROL_GENERATE_LUGS, "generate lugs", nullptr, &KivanoOptionsRecord::generateLugs},
    {"cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",query=True,value=True)",
     KIVANO_CONTROL_DELETE_ORIGINAL, "delete original", nullptr,
     &KivanoOptionsRecord::deleteOriginal},
    {"cmds.checkBox(" KIVANO_CONTROL_KEEP_MATERIALS ",query=True,value=True)",
     KIVANO_CONTROL_KEEP_MATERIALS, "keep materials", nullptr, &KivanoOptionsRecord::keepMaterials},
    {"cmds.radioCollection(" KIVANO_CONTROL_ARRANGEMENT ",query=True,select=True)",
     KIVANO_CONTROL_ARRANGEMENT, "arrangement", nullptr, nullptr},
};

// Returns false when the answer cannot become a value of its field.
bool applyAnswer(const OptionQuery& q, const MString& answer, KivanoOptionsRecord& options) {
    if (q.length) {
        if (parseLength(answer, options.*q.length))
            return true;
        MGlobal::displayError(MString("kivano: ") + q.label + " (" + q.control +
                              ") must be a positive number of millimetres, not \"" + answer + "\"");
        return false;
    }
    if (q.flag)
        options.*q.flag = parseFlag(answer.asChar());
    else
        options.arrangement = parseArrangement(answer);
    return true;
}

}  // namespace

void* KivanoCmd::creator() {
    return new KivanoCmd();
}

bool KivanoCmd::isUndoable() const {
    return true;
}

bool KivanoCmd::parseFlag(const char* text) {
    return ::parseFlag(text);
}

MStatus KivanoCmd::readOptions() {
    KivanoOptionsRecord next = KivanoOptions;
    MString unread;
    bool usable = true;
    for (const OptionQuery& q : optionQueries) {
        MStatus status;
        MString answer = MGlobal::executePythonCommandStringResult(q.query, false, false, &status);
        if (!status) {
            unread += unread.length() ? ", " : "";
            unread += q.control;
            continue;
        }
        usable = applyAnswer(q, answer, next) && usable;
    }
    if (unread.length())
        MGlobal::displayWarning("kivano: could not read " + unread +
                                " from the option window; keeping their previous values");
    if (!usable)
        return MStatus::kInvalidParameter;
    KivanoOptions = next;
    return MStatus::kSuccess;
}

MStatus KivanoCmd::doIt(const MArgList& args) {
    MSyntax syntax;
    syntax.addFlag("h", "help", MSyntax::kNoArg);
    syntax.addFlag("pc", "pieces", MSyntax::kString);
    syntax.addFlag("tr", "tries", MSyntax::kLong);
    MStatus parsed;
    MArgDatabase argData(syntax, args, &parsed);
    // A mistyped flag or a stray word must not start a run: the run merges,
    // triangulates and may delete the selection. The host has said what was wrong.
    if (!parsed)
        return parsed;
    parsed = refuseStrayArguments(argData, "kivano");
    if (!parsed)
        return parsed;
    if (argData.isFlagSet("help")) {
        setResult(MString(kivanoHelpText));
        return MStatus::kSuccess;
    }
    bool fewest = false;
    if (argData.isFlagSet("pieces")) {
        MString pieces;
        argData.getFlagArgument("pieces", 0, pieces);
        bool known = pieces == MString("fewest") || pieces == MString("default");
        if (!known) {
            MGlobal::displayError("kivano: -pieces must be \"fewest\" or \"default\", not \"" +
                                  pieces + "\"");
            return MStatus::kInvalidParameter;
        }
        fewest = pieces == MString("fewest");
    }
    int tries = 0;
    if (argData.isFlagSet("tries")) {
        argData.getFlagArgument("tries", 0, tries);
        if (tries < 0 || tries > kMostJoinOrderTries || !fewest) {
            MString text("kivano: -tries takes 0 to ");
            text += kMostJoinOrderTries;
            text += " join orders, with -pieces \"fewest\"";
            MGlobal::displayError(text);
            return MStatus::kInvalidParameter;
        }
    }
    MStatus status = readOptions();
    if (!status)
        return status;
    KivanoOptions.fewestPieces = fewest;
    KivanoOptions.fewestTries = tries;
    MGlobal::displayInfo("kivano: calculate..");
    status = redoIt();
    MGlobal::displayInfo("kivano: finished.");
    return status;
}

MStatus KivanoCmd::redoIt() {
    execute();
    return MStatus::kSuccess;
}

void KivanoCmd::execute() {
    clearRun();
    MGlobal::executeCommand("ls -sl", rememberselection, true, true);
    if (rememberselection.length() == 0) {
        MGlobal::displayError("kivano: no objects selected!");
        return;
    }
    StepProgress progress;
    progress.reach(KivanoStep::Merge, "kivano: calculate(1/3)..");
    if (rememberselection.length() > 1)
        dgMod.commandToExecute("polyUnite");
    dgMod.commandToExecute("Triangulate");
    progress.reach(KivanoStep::Extract, "kivano: calculate(2/3)..");
    dgMod.doIt();
    extractPolygons();
    if (!gtvec.empty()) {
        initTriangles();
        progress.reach(KivanoStep::Unfold, "kivano: calculate(3/3)..");
        if (KivanoOptions.fewestPieces) {
            FewestProgress lines;
            lines.direction = [](int direction, int directions) {
                // a line at each quarter of the way is progress enough
                if ((direction - 1) % ((directions + 3) / 4) != 0)
                    return;
                MString text("kivano: fewest pieces, cut tree ");
                text += direction;
                text += " of ";
                text += directions;
                text += "..";
                MGlobal::displayInfo(text);
            };
            lines.search = [&progress](int tried, int tries, int pieces) {
                if (tried % ((tries + 9) / 10) != 0)
                    return;
                MString text("kivano: fewest pieces, join order ");
                text += tried + 1;
                text += " of ";
                text += tries;
                text += ": ";
                text += pieces;
                text += " pieces..";
                progress.tell(text);
            };
            unfoldFewestPieces(lines);
        } else
            algokante();
        progress.reach(KivanoStep::Scene, "kivano: creating scene..");
        drawContainer(drawnArrangement(KivanoOptions.arrangement));
        doubleundoflag = false;
        if (KivanoOptions.deleteOriginal) {
            dgMod3.commandToExecute("select " + rememberselectionflat);
            dgMod3.commandToExecute("doDelete");
            dgMod3.doIt();
            doubleundoflag = true;
        }
    }
    progress.reach(KivanoStep::Finished, "kivano: finished");
}

void KivanoCmd::extractPolygons() {
    ::extractPolygons(meshPaths);
}

void KivanoCmd::initTriangles() {
    ::initTriangles();
}

void KivanoCmd::drawContainer(int arrangement) {
    OutputRecord record{createdObjects, meshPaths, rememberselection, rememberselectionflat};
    ::drawContainer(record, arrangement);
}

// Created objects are only forgotten once their deletion has run, so an undo
// that fails half-way can be tried again without losing track of the sheet.
MStatus KivanoCmd::undoIt() {
    MStatus status;
    MDGModifier dgMod2;
    for (size_t i = createdObjects.size(); i-- > 0;) {
        MObject transform = createdObjects[i];
        MFnDagNode node(transform, &status);
        if (!status) {
            displayError("Could not get dagNode for transform");
            return status;
        }
        MObject shape = node.child(0, &status);
        if (!status) {
            displayError("Could not get dagNode's child");
            return status;
        }
        status = dgMod2.deleteNode(shape);
        if (!status) {
            displayError("Could not delete mesh");
            return status;
        }
        dgMod2.deleteNode(transform);
    }
    status = dgMod2.doIt();
    if (!status) {
        displayError("Undo dgmod2 doit failure");
        return status;
    }
    createdObjects.clear();
    if (doubleundoflag) {
        status = dgMod3.undoIt();
        if (!status) {
            displayError("Undo dgMod3 failure");
            return status;
        }
    }
    status = dgMod.undoIt();
    if (!status)
        displayError("Undo dgMod failure");
    return status;
}
