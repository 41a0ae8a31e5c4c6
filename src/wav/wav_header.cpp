#include "wav/wav_header.h"
