// qirvex-program: OSI programs to the text the machine loads from tape, and decoded tapes back.
#include "program_tool/program_driver.h"

int main(int argc, char** argv) { return run_program_tool(argc, argv, ProgramConsole{}); }
