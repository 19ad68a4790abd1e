#pragma once
// The Python variables that hold the option window's controls, for everything
// that builds, reads or sets the window: the plug-in, the command-line tool
// and the tests. They are macros so that each window and query line can stay
// one string literal, joined at compile time, exactly the text sent to the host.

// Text fields, in millimetres.
#define KIVANO_CONTROL_PAGE_WIDTH "tf1"
#define KIVANO_CONTROL_PAGE_HEIGHT "tf2"
#define KIVANO_CONTROL_LUG_WIDTH "tf3"

// Check boxes.
#define KIVANO_CONTROL_LIMIT_PAGE "cb1"
#define KIVANO_CONTROL_GENERATE_LUGS "cb2"
#define KIVANO_CONTROL_DELETE_ORIGINAL "cb3"
#define KIVANO_CONTROL_KEEP_MATERIALS "cb4"

// The arrangement: a radio collection and its three buttons, whose host names
// are "r0", "r1" and "r2" in this order.
#define KIVANO_CONTROL_ARRANGEMENT "radios2"
#define KIVANO_CONTROL_SIDE_BY_SIDE "rb3"
#define KIVANO_CONTROL_ANIMATION "rb4"
#define KIVANO_CONTROL_LAYERED "rb5"

// The command's -tries flag: each join order costs about one unfolding, so
// more than this would keep a person waiting for hours. The tool refuses
// more before it asks.
constexpr int kMostJoinOrderTries = 100000;
