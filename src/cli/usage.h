// The usage text, shown when the command line cannot be used.
#pragma once

// Writes the usage text to standard output.
void print_usage();
