// qirvex-rescue: recovers the data of Kansas City Standard recordings that qirvex cannot read.
#include "rescue/rescue_driver.h"

int main(int argc, char** argv) {
    RescueConsole console;
    console.is_interruptible = true;
    return run_rescue(argc, argv, console);
}
