/* The implementations of the single-file decoders that qirvex-rescue.exe reads FLAC, MP3 and Ogg
   Vorbis with (src/rescue/codec_input_windows.cpp includes their declarations only). Their
   own file-name and stdio readers are left out: the program hands them its bytes. */
#define DR_FLAC_IMPLEMENTATION
#define DR_FLAC_NO_STDIO
#define DR_FLAC_NO_OGG
#include "dr_flac.h"

#define DR_MP3_IMPLEMENTATION
#define DR_MP3_NO_STDIO
#include "dr_mp3.h"

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include "stb_vorbis.h"
