#pragma once
// Conversions of the option window's answers into option values. The window
// shows lengths in millimetres; the scene works in centimetres.
#include <maya/MString.h>

// First character decides: "0", "F", "f" and anything unknown are false,
// "1", "T", "t" are true ("True", "true", "1" -> true; "", "yes" -> false).
bool parseFlag(const char* text);

// A length field in millimetres. False (cm untouched) unless the text is a
// positive finite number with nothing but blanks after it.
bool parseLength(const MString& text, double& cm);

// The selected radio button's name ("r0", "r1", "r2") -> the digit after "r".
int parseArrangement(const MString& text);

// Arrangement values other than 0 (side by side), 1 (animation) and
// 2 (layered) are drawn as the animation.
int drawnArrangement(int arrangement);
