// The recordings of a batch: the names given to --batch, each a recording or a folder whose audio
// files are taken in name order, checked before any is decoded so that no two decodes write the
// same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BatchRecording {
    std::string name;             // the recording's path, as given or as found in its folder
    std::int64_t size_bytes = -1; // its size on disk; -1: not known
    std::string split_folder;     // with --split=FOLDER: FOLDER/<name less extension>
};

// True for a name that ends in an audio file's extension (.wav, .flac ...), in any case.
[[nodiscard]] bool is_audio_name(const std::string& name);

// Expands `names` into the recordings; `split_folder` is --split's FOLDER, or empty, and
// `is_writing` tells whether each recording writes its bytes to in.txt. False with `problem` set
// for a name of nothing, a pipe or a device, a folder without audio files, or two recordings
// whose outputs would be the same file, or one's output another's recording.
[[nodiscard]] bool find_batch_recordings(const std::vector<std::string>& names,
                                         const std::string& split_folder, bool is_writing,
                                         std::vector<BatchRecording>& recordings,
                                         std::string& problem);
