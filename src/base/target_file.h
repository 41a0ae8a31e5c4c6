// The file a program writes: its name when none is given, the guard that keeps the input and
// existing files from being emptied, and the close that tells whether every byte arrived.
#pragma once

#include <cstdio>
#include <string>

// The input name less its last extension (the last "." anywhere, a folder part included), plus
// `extension`: "tape.wav" gives "tape.txt", "old.d/tape" gives "old.txt".
[[nodiscard]] std::string derived_target_name(const std::string& input, const char* extension);

enum class TargetState {
    Missing, // no file of that name can be opened in the mode asked for
    IsInput, // the name is another spelling of the open input
    Exists,  // another file of that name exists
};

// Looks at the file `name` before it is written, opening it in `mode` to compare it with the
// open input by identity, whatever the spelling of its name (a null input, as of a capture from a
// sound card, is no file). An existing file other than the input is left open in *kept when kept
// is not null, and closed otherwise.
[[nodiscard]] TargetState probe_target(const char* name, std::FILE* input, const char* mode,
                                       std::FILE** kept);

// Flushes and closes a written target. True when every byte reached the file: no write was
// refused before, and the flush and the close went through. A full disk never looks like success.
[[nodiscard]] bool close_target(std::FILE* target);
