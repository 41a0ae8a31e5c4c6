#include "encoder/tone_writer.h"
