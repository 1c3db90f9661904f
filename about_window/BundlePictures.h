#pragma once
#include "framework/picture/Picture.h"
#include "framework/runtime/Nil.h"

namespace app {

// The two pictures that ship in the bundle's Resources folder (the folder
// "Resources" beside the folder that holds the program file). Each is loaded
// on the first call that finds it and then kept, the same object, for the rest
// of the process; until a load succeeds every call tries again. Main thread
// only (nothing guards the caches).

// The program icon, "tumblr.png", drawn once into its own mask when it loads
// (so its light parts let the window show through). Nil when the Resources
// folder, the file or its picture is missing; raises NilObjectException for a
// missing program file or parent folder, and when the mask or its drawing
// context cannot be had (the picture then stays cached without that step).
fw::Ref<fw::Picture> tumblr();

// The maker's logo, "dorvex_logo2.png". Nil when the Resources folder, the
// file or its picture is missing; raises NilObjectException for a missing
// program file or parent folder.
fw::Ref<fw::Picture> dorvex_logo2();

}  // namespace app
