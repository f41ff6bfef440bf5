// Where a message box goes on screen.  Centred on its owner as the system's
// boxes are, then moved the least distance that keeps it wholly inside the
// work area of the owner's monitor: a box over a host window that sits near
// a screen edge, is larger than the screen or is minimized stays where the
// person can see and answer it (the host, disabled behind it, would
// otherwise look frozen).
#pragma once

#include "msgbox/geometry.h"

struct PbBoxPlacement {
    PbSize box = {0, 0};          // the box's window, frame included
    PbPoint requested = {0, 0};   // the caller's top-left; 0,0 when none was given
    PbRect owner = {0, 0, 0, 0};  // the owner's window rectangle
    bool ownerMinimized = false;
    PbRect workArea = {0, 0, 0, 0};  // the work area of the owner's monitor
};

// The box's top-left.  A requested position is kept exactly, unclamped.
// Otherwise the box is centred on the owner (on the work area when the
// owner is minimized, its rectangle then being the iconic one), each half
// rounded toward zero, and moved per axis the least distance that puts it
// inside the work area; a box larger than the work area starts at the work
// area's top-left, so that its title bar and first lines stay reachable.
PbPoint PbPlaceBox(const PbBoxPlacement& placement);
