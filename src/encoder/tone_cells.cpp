// The sample values are stored as they stand, not computed: the square shape's slow approach to
// full scale is deliberate precompensation for the cassette interface's filtering.
#include "encoder/tone_cells.h"

// One cycle of 1200 Hz.
const ToneCell space_square = {155, 193, 217, 232, 242, 249, 252, 255, 160,
                               100, 62,  38,  23,  13,  6,   3,   0,   95};
// Two cycles of 2400 Hz.
const ToneCell mark_square = {157, 220, 245, 255, 151, 85, 43, 17, 0,
                              157, 220, 245, 255, 151, 85, 43, 17, 0};

const ToneCell space_sine = {150, 192, 226, 248, 255, 248, 226, 192, 150,
                             106, 64,  30,  8,   0,   8,   30,  64,  106};
const ToneCell mark_sine = {210, 254, 239, 172, 84, 17, 2, 46, 128,
                            210, 254, 239, 172, 84, 17, 2, 46, 128};
