// Marks a function as one of the library's exports. The export list generated
// from velnip.def decides what actually leaves the library.
#pragma once

#define VELNIP_EXPORT extern "C" __attribute__((visibility("default")))
