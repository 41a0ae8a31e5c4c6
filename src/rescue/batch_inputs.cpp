// The batch's recordings from the names on the command line, and the check that their outputs
// are apart: two decodes writing one file at once would interleave their bytes.
#include "rescue/batch_inputs.h"

#include "base/target_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The extensions that recorders and converters give the formats read here.
constexpr std::array<const char*, 10> audio_extensions = {
    ".wav", ".aif", ".aiff", ".caf", ".w64", ".rf64", ".flac", ".ogg", ".oga", ".mp3"};

// Names are UTF-8 on every platform (the Windows entry point turns its wide arguments into
// UTF-8); std::filesystem reads and writes them as such only through char8_t.
fs::path path_of(const std::string& name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

std::string name_of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A name inside the folder, after a "/" where the folder's name does not end in a separator
// already: the same on every platform, so that Windows names them as Linux does.
std::string joined(const std::string& folder, const std::string& name) {
    return path_of(folder).has_filename() ? folder + "/" + name : folder + name;
}

std::string lower_case(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::int64_t size_of(const std::string& name) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path_of(name), error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

// The audio files directly inside the folder, in the byte order of their names.
bool add_folder(const std::string& folder, std::vector<BatchRecording>& recordings,
                std::string& problem) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(path_of(folder), error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code entry_error; // a link that leads nowhere is no audio file, no failure
        const std::string name = name_of(entry->path().filename());
        // Hidden files are left out: macOS leaves a "._tape.wav" of its own beside each file it
        // copies to a stick, which holds no audio.
        if (!name.starts_with(".") && is_audio_name(name) && entry->is_regular_file(entry_error))
            names.push_back(name);
    }
    if (error) {
        problem = folder + ": cannot read the folder: " + error.message();
        return false;
    }
    if (names.empty()) {
        problem = folder + ": found no audio file in the folder, where --batch expects .wav, "
                           ".aif, .aiff, .caf, .w64, .rf64, .flac, .ogg, .oga or .mp3 files";
        return false;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = joined(folder, name);
        recordings.push_back(BatchRecording{path, size_of(path), ""});
    }
    return true;
}

// A name of nothing is most likely an output named as for a single decode, which a batch does
// not take.
bool add_name(const std::string& name, std::vector<BatchRecording>& recordings,
              std::string& problem) {
    std::error_code error;
    const fs::file_status status = fs::status(path_of(name), error);
    if (status.type() == fs::file_type::not_found) {
        problem = name + ": found no file or folder of that name, where --batch expects "
                         "recordings and folders of them; it names each output after its recording";
        return false;
    }
    if (fs::is_directory(status))
        return add_folder(name, recordings, problem);
    // A pipe's reads could wait for ever, where Ctrl-C stops a batch only between reads.
    if (!error && !fs::is_regular_file(status)) {
        problem = name + ": found a pipe or a device, where --batch expects recordings and "
                         "folders of them";
        return false;
    }
    // A name whose status cannot be read is left to the decode, whose open says why.
    recordings.push_back(BatchRecording{name, size_of(name), ""});
    return true;
}

// The name compared for sameness: absolute, with ".", ".." and links resolved as far as the
// path exists.
std::string identity(const std::string& name) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path_of(name), error);
    return error ? name : name_of(resolved);
}

// The file or folder a recording's decode writes; empty where it writes none (--list alone).
std::string output_of(const BatchRecording& recording, bool is_writing) {
    if (!recording.split_folder.empty())
        return recording.split_folder;
    return is_writing ? derived_target_name(recording.name, ".txt") : "";
}

bool are_outputs_apart(const std::vector<BatchRecording>& recordings, bool is_writing,
                       std::string& problem) {
    std::map<std::string, const BatchRecording*> inputs;  // by identity
    std::map<std::string, const BatchRecording*> writers; // by the identity of the output
    for (const BatchRecording& recording : recordings)
        inputs.emplace(identity(recording.name), &recording);
    for (const BatchRecording& recording : recordings) {
        const std::string output = output_of(recording, is_writing);
        if (output.empty())
            continue;
        const std::string key = identity(output);
        const auto input = inputs.find(key);
        const auto [writer, is_new] = writers.emplace(key, &recording);
        if (input != inputs.end())
            problem = recording.name + " writes " + output + ", which is one of the recordings";
        else if (!is_new)
            problem = "found two recordings that write " + output + ": " + writer->second->name +
                      " and " + recording.name + ", where each needs an output of its own";
        if (!problem.empty())
            return false;
    }
    return true;
}

} // namespace

bool is_audio_name(const std::string& name) {
    const std::string extension = lower_case(name_of(path_of(name).extension()));
    return std::find(audio_extensions.begin(), audio_extensions.end(), extension) !=
           audio_extensions.end();
}

bool find_batch_recordings(const std::vector<std::string>& names, const std::string& split_folder,
                           bool is_writing, std::vector<BatchRecording>& recordings,
                           std::string& problem) {
    recordings.clear();
    for (const std::string& name : names)
        if (!add_name(name, recordings, problem))
            return false;
    if (!split_folder.empty())
        for (BatchRecording& recording : recordings)
            recording.split_folder =
                joined(split_folder, name_of(path_of(recording.name).stem()));
    return are_outputs_apart(recordings, is_writing, problem);
}
