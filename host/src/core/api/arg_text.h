#pragma once
// Reading a command word as a typed value; false when the word is not one.
#include <maya/MString.h>
#include <maya/MSyntax.h>

namespace host::api {

bool readBool(const MString& word, bool& out);
bool readInt(const MString& word, int& out);
bool readUnsigned(const MString& word, unsigned int& out);
bool readDouble(const MString& word, double& out);
bool fitsArgType(const MString& word, MSyntax::MArgType type);
const char* argTypeName(MSyntax::MArgType type);
// "-l" → "l"; other text unchanged.
MString withoutDash(const char* name);
// A word such as "-l" or "-language" (not a negative number).
bool looksLikeFlag(const MString& word);

}  // namespace host::api
