#include "decoder/kcs_decoder.h"
