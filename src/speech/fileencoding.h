#pragma once

// How a word's file is encoded. The definitions live in the platform, which writes the files;
// code outside the speech layer includes this header, never the platform's.
#include "speech/platform/fileencoding.h"
