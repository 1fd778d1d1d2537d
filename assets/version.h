// The program's version, in one place: the resource script and the code read it from here.
#pragma once

#define VELMORA_VERSION_MAJOR 1
#define VELMORA_VERSION_MINOR 0
#define VELMORA_VERSION_PATCH 0
#define VELMORA_VERSION_STRING "1.0.0"
