// qirvex-play: plays a tape, or a file encoded on the way, into a chosen sound device.
#include "play/play_driver.h"

int main(int argc, char** argv) { return run_play(argc, argv); }
