#pragma once
// Names of the objects the output creates, and the record of the host's
// selection that the unfold command later deletes.
#include <string>

#include <maya/MString.h>
#include <maya/MStringArray.h>

class gtc;

// "dft<container>_<position>"; "unnamed" past the end of the list, "unnamed2"
// for a position above 9999, "unnamed3" for a container number above 9999.
std::string triangleName(const gtc& net, unsigned i);

// "lug<container>_<position>_<edge>"; "unnamed4" past the end, "unnamed5"
// for a container above 9999, "unnamed6" for a position above 9999,
// "unnamed7" for an edge above 2.
std::string lugName(const gtc& net, unsigned i, int k);

// Does string1 occur in string2 as a run of consecutive characters?
bool isSubstring(const MString& string1, const MString& string2);

// Every name without a "." (object names, not components), each followed by
// one blank, ready to follow "select ".
MString flatSelection(const MStringArray& names);
