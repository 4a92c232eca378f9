#pragma once
// The shared helper routines of the system, in one include: text files and
// encodings, paths, temporary folders and folder operations, Word presence,
// the PDF initial view and font descriptions.
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "foundation/WordFunctions.h"
