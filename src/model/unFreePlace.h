#pragma once

#include "platform/unTypes.h"

#include <cstdint>

class IModuleList;

// A place for the middle of a new box of that size near the point, where the box with a margin
// around it lies on no box of the list: the point itself when it is free, else the nearest free
// place on a grid around it, tried outwards ring by ring. A list of none takes the point.
TPoint FreePlace(const IModuleList* list, TPoint near, std::int32_t width, std::int32_t height);
