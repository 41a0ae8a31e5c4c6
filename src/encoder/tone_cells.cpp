#include "encoder/tone_cells.h"
