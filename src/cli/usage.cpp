// The usage text, written piece by piece.
#include "cli/usage.h"

#include <cstdio>
#include <iterator>

namespace {

// Written piece by piece as plain text, never as a format.
constexpr const char* usage_pieces[] = {
    "QIRVEX - Transcodes between Kansas City Standard audio & data file for OSI\r\n",
    "Usage: QIRVEX [options] infile [outfile]\r\n",
    "    If [outfile] is not specified, a target file is automatically\r\n"
    "       created based on input filetype\r\n",
    "    -Rn Rate for en/decoding 0=300/1=600 (default: 0)\r\n",
    "    -F  Force overwrite of existing output file\r\n",
    "    -A  Append to output file (WAV or data)(WAV must be 21600/22050[legacy mode] 8bit "
    "mono)\r\n",
    "    Encode options:\r\n",
    "    -B  BASIC processing -add NULS between <CR> & <LF> like OSI BASIC\r\n",
    "    -Nn Number of Nulls (default 10)\r\n",
    "    -O  Odd parity \r\n",
    "    -E  Even parity\r\n",
    "    -D  7 Data bits\r\n",
    "    -S  1 Stop bit\r\n",
    "    -Wn padding in msec after each serial Word\r\n",
    "    -Pn Padding in msec after each EOL\r\n",
    "    -Ln Leader time (in msec) defaults to 2000\r\n",
    "    -Tn Trailer time (in msec) defaults to 1000\r\n",
    "    -U  use sine Tone instead of precompensated square wave\r\n",
    "    -Cn select WAV Channel for decode 0=Any 1=Left 2=Right\r\n",
    "    -Q  Use Legacy 22050 sample rate\r\n",
    "    -X  Decoding output diagnostics\r\n",
    " Default encode: create 21600 8bit mono WAV file @300 baud 8N2\r\n",
    " Default decode: create data file from 300 baud 8N2 WAV file\r\n",
    " (ver 1.3)\r\n",
};
static_assert(std::size(usage_pieces) == 24);

} // namespace

void print_usage() {
    for (const char* piece : usage_pieces)
        std::fputs(piece, stdout);
}
