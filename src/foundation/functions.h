#pragma once
// The shared helper routines of the system, in one include: text files and
// encodings, paths, temporary folders and folder operations.
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
// Word presence, PDF initial view and small helpers: foundation/WordHelpers.h (to come).
