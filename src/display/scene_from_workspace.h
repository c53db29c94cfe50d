#pragma once

#include "display/scene.h"

struct Workspace;

// The scene of one data set of the workspace. Head-shape sequences are not part of the
// workspace: the digitizing step fills sequenceStarts and selectedSequence itself.
Scene sceneFromWorkspace(const Workspace &ws, int displaySet);
