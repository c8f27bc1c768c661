#pragma once

// The speaking rates the voices take. The synthesisers apply them, so they are defined in the
// platform; code outside the speech layer includes this header, never the platform's.
#include "speech/platform/speakingrate.h"
