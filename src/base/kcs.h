// The Kansas City Standard as the OSI machines record it: a 0 bit is 1200 Hz (space), a 1 bit
// 2400 Hz (mark), at 300 baud (4 cycles of space or 8 of mark per bit) or 600 baud (half that).
#pragma once

constexpr int mark_hz = 2400;
constexpr int space_hz = 1200;
constexpr int slow_baud = 300;
constexpr int fast_baud = 600;
