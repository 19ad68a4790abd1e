// The host starts once; Python, the commands and the UI live as long as it.
#include "../host_session_environment.h"
#include "python_test_support.h"
