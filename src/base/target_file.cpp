// Naming, guarding and closing the target file, alike for both programs.
#include "base/target_file.h"

#include "base/platform.h"

std::string derived_target_name(const std::string& input, const char* extension) {
    return input.substr(0, input.rfind('.')) + extension;
}

TargetState probe_target(const char* name, std::FILE* input, const char* mode, std::FILE** kept) {
    std::FILE* existing = open_file(name, mode);
    if (existing == nullptr)
        return TargetState::Missing;
    const bool is_input = input != nullptr && is_same_file(existing, input);
    if (is_input || kept == nullptr)
        std::fclose(existing);
    else
        *kept = existing;
    return is_input ? TargetState::IsInput : TargetState::Exists;
}

bool close_target(std::FILE* target) {
    const bool has_failed = std::fflush(target) != 0 || std::ferror(target) != 0;
    const bool has_closed = std::fclose(target) == 0;
    return has_closed && !has_failed;
}
