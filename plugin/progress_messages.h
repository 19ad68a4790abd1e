#pragma once
// The lines the plug-in shows as it works, for the plug-in and for the
// command-line tool, which times the plug-in's steps by them. Macros, like
// the option window's control names, so each stays one literal.
#define KIVANO_PROGRESS_START "kivano: calculate.."
#define KIVANO_PROGRESS_MERGE "kivano: calculate(1/3).."
#define KIVANO_PROGRESS_EXTRACT "kivano: calculate(2/3).."
#define KIVANO_PROGRESS_UNFOLD "kivano: calculate(3/3).."
#define KIVANO_PROGRESS_SCENE "kivano: creating scene.."
#define KIVANO_PROGRESS_RUN_END "kivano: finished"
#define KIVANO_PROGRESS_COMMAND_END "kivano: finished."
