#pragma once
// What "kivano unfold" is asked to do: the model, the outputs, and the
// values of the options of its table (option_table.h), which is where each
// option's name, range, help and default-as-shown live. The defaults below
// are those of the plug-in's option window.
#include <optional>
#include <string>
#include <vector>

struct UnfoldOptions {
    std::string input;
    std::vector<std::string> outputs;
    std::string page = "210x297";
    bool limitPage = false;
    // "default": the specified edge order; "fewest": the unfolding that aims
    // at the fewest pieces, every piece within the page.
    std::string pieces = "default";
    // With "fewest": further join orders tried (unset: none, or
    // kTriesWhenSimplified for a model simplified with `faces`).
    std::optional<double> tries;
    bool noLugs = false;
    double lugWidth = 4.0;
    bool keepOriginal = false;
    std::string arrangement = "layered";
    double scale = 1.0;
    // Simplify the model to at most this many triangles first (unset: as it
    // is), its surface moving at most this far on paper (mm; unset: 1 % of
    // its size).
    std::optional<double> faces;
    std::optional<double> maxDeviation;
    std::optional<double> height;  // mm, the model's largest extent on paper; unset: use scale
    // Folds flatter than this (degrees) print no line; unset: faces in one plane.
    std::optional<double> flatAngle;
    double margin = 10.0;
    bool map = false;                // a first page that shows where every piece goes on the model
    std::string packing = "shapes";  // or "dense", "boxes"
    // A net larger than the printable area: "tile" prints it across pages of
    // the chosen size, "page" on one page as large as it needs (for plotters).
    std::string oversize = "tile";
    // A sheet of more pages is refused before anything is written; 0: no limit.
    int maxPages = 1000;
    // Textured faces: the resolution they print at, how far (mm) their
    // picture runs past the cut lines, and whether tabs show the face they
    // are glued under ("partner") or nothing ("none").
    double dotsPerInch = 300.0;
    double bleed = 0.5;
    std::string tabTexture = "none";
    std::string json;
    // The sheet's own decisions, to print it again and edit it (project_file.h).
    std::string saveProject;
    // A project to print (its options stand where the command line gives
    // none), kept where it fits a changed model with `update`; then these
    // edits, one after the other.
    std::string project;
    bool update = false;
    std::vector<std::string> edits;
    std::vector<std::string> given;  // the table's options the command line gave
    // For a program that keeps the run to edit its sheet: edits come one per
    // line on standard input, each answered on the progress descriptor.
    bool editSession = false;
    bool quiet = false;
    std::string language = "en";
    // For a program that runs the command: a descriptor that takes one
    // JobEvent line per stage and for the error (-1: none), and a file for
    // each triangle's net and page (faces_json.h).
    int progressFd = -1;
    std::string facesJson;
    // For a server: the folder every file the run reads must lie in (the
    // upload's); empty: whatever the model names.
    std::string readWithin;
};

// Exit codes of the command.
enum UnfoldExit {
    kUnfoldOk = 0,
    kUnfoldFailed = 1,     // the input could not be read or a stage failed
    kUnfoldBadOption = 2,  // an option's value is unusable
};
