#pragma once

// The process-wide options of the unfold command; lengths in scene units (centimetres).
struct KivanoOptionsRecord {
    double pageWidth = 21.0;
    double pageHeight = 29.7;
    double maxLugWidth = 0.4;
    bool limitPageSize = false;
    bool generateLugs = true;
    bool deleteOriginal = true;
    bool keepMaterials = true;
    int arrangement = 0;
    // Set by the command's -pieces flag for its own run, not by the window:
    // the unfolding that aims at the fewest pieces (which also tests the lugs
    // of faces lying edge to edge).
    bool fewestPieces = false;
    // Set by the command's -tries flag for its own run: join orders the
    // fewest-pieces unfolding tries beyond its fixed directions.
    int fewestTries = 0;
};

extern KivanoOptionsRecord KivanoOptions;
