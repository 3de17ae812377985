#pragma once

// <windows.h> as every Windows file of ours includes it: without the min and
// max macros, which break std::min and std::max, and without the parts of
// the API we never call.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
