// The diagnostic stream and report_error, which every part of qirvex writes its messages with.
#pragma once

#include <cstdio>

// Where progress lines, summaries, traces and error messages go: standard error, bound before
// main runs. Tests may point it elsewhere.
extern std::FILE* diagnostic_stream;

// Formats a printf-style message (at most 2047 characters kept) and writes it to the diagnostic
// stream; nothing for an empty format.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void report_error(const char* format, ...);
