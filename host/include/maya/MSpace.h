#pragma once
// Coordinate spaces (kObject, kWorld, ...): declared with the basic types.
#include <maya/MTypes.h>
