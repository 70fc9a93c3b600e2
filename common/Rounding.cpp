#include "common/Rounding.h"

// roundHalfEven is inline in the header: the resampler calls it for every sample.
