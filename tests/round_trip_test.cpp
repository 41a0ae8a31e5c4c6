// Encode, then decode, through the library: the bytes come back for every framing and rate.
#include "test_support.h"
