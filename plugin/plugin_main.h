#pragma once
// The three symbols the host looks for when it loads the plug-in.
#include <maya/MObject.h>
#include <maya/MStatus.h>

#define KIVANO_EXPORT extern "C" __attribute__((visibility("default")))

KIVANO_EXPORT MStatus initializePlugin(MObject obj);
KIVANO_EXPORT MStatus uninitializePlugin(MObject obj);
KIVANO_EXPORT const char MApiVersion[];

// The commands in registration order, with the numbers of their failure texts.
struct KivanoCommandEntry {
    const char* name;
    void* (*creator)();
    int failureNumber;
};
extern const KivanoCommandEntry kivanoCommands[4];

extern const char* const kivanoMenuLines[6];
