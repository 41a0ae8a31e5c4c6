// The frame clock's choice among the readings that re-reading proposes for a doubtful word:
// the one that frames and reads clearest, by margins that keep hiss from moving the clock.
#pragma once

#include "rescue/frame_clock.h"
#include "rescue/tone_history.h"
#include "rescue/word_reading.h"

// A word found by the search at clock.edge, read again from the edge its changes of tone point
// to; clock.edge follows the better reading, which is returned, with is_moved set when it moved.
[[nodiscard]] WordBits reread_candidate(FrameClock& clock, const ToneHistory& history,
                                        WordBits bits, bool& is_moved);

// A predicted word read again from where its start edge lies, when that is far from the
// prediction, and, where may_stretch and its stop bits fail, at other bit periods. The clock's
// edge and period follow the reading taken. Returns true when a re-read was taken.
[[nodiscard]] bool reread_predicted(FrameClock& clock, const ToneHistory& history, WordBits& bits,
                                    bool may_stretch);
