// The program's version, in one place: the resource script and the code read it from here.
// The numbers are the release's; the text is what `git describe` says of the commit built
// (cmake/version.cmake writes it), so a build names exactly its source.
#pragma once

#include "version_described.h"

#define VELMORA_VERSION_MAJOR 1
#define VELMORA_VERSION_MINOR 0
#define VELMORA_VERSION_PATCH 0
#define VELMORA_VERSION_STRING VELMORA_VERSION_DESCRIBED
