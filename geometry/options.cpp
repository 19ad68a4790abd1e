#include "geometry/options.h"

KivanoOptionsRecord KivanoOptions;
