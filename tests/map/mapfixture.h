#pragma once

#include "installation.h"

// The map's geography and pictures in a test installation: MAP/, zenrinCGI/tokyostation.gif
// and the marker icons, copied from the build's extraction (made by the build, or here by
// scripts/make-mapdata.sh when the cache is missing), and a MapService.ini that switches the
// online services off.
void installMapData(const TestInstallation& inst);
// The map data and the settings the map screen reads: the map account in Massage.ini, the
// sign-in file read when adodb.ini sets a monitoring time, and the image library's key number.
void installMapScreen(const TestInstallation& inst);
