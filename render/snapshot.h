// The frame surface as a viewer shows it: an 8-bit indexed PNG of 512 x 512
// pixels with the surface's 256-entry palette, top row first.
#pragma once

#include <string>

#include "render/surface.h"

// False, with a reason in error, when the file cannot be written whole.
bool WriteSurfacePng(const char* path, const FrameSurface& surface, std::string& error);
