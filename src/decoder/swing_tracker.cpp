#include "decoder/swing_tracker.h"
