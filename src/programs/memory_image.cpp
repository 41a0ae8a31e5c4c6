#include "programs/memory_image.h"

#include <algorithm>

std::string describe(const Problem& problem) {
    return "at byte " + std::to_string(problem.offset) + ": " + problem.message;
}

std::string byte_name(std::uint8_t byte) {
    switch (byte) {
    case 0x00:
        return "NUL";
    case 0x0A:
        return "LF";
    case 0x0D:
        return "CR";
    default:
        break;
    }
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("\"") + static_cast<char>(byte) + "\"";
    return "byte 0x" + hex_digits(byte, 2);
}

int hex_value(std::uint8_t digit) {
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    return -1;
}

std::string hex_digits(std::uint32_t value, int digits) {
    static constexpr char names[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = names[value & 0xF];
    return text;
}

std::size_t byte_count(const MemoryImage& image) {
    std::size_t count = 0;
    for (const Stretch& stretch : image.stretches)
        count += stretch.bytes.size();
    return count;
}

std::string image_summary(const MemoryImage& image) {
    std::string text = std::to_string(byte_count(image)) + " bytes in " +
                       std::to_string(image.stretches.size()) +
                       (image.stretches.size() == 1 ? " stretch" : " stretches");
    for (std::size_t i = 0; i < image.stretches.size(); ++i) {
        const Stretch& stretch = image.stretches[i];
        text += (i == 0 ? " (" : ", ") + hex_digits(stretch.start, 4) + "-" +
                hex_digits(stretch.start + static_cast<std::uint32_t>(stretch.bytes.size()) - 1, 4);
    }
    text += image.stretches.empty() ? "" : ")";
    text +=
        image.run_address ? ", run at " + hex_digits(*image.run_address, 4) : ", no run address";
    return text;
}

// A bit per address, so that making the image looks only at the words where bytes were stored:
// a reader of a short text does not walk all 64 KB.
constexpr std::uint32_t bits_per_word = 64;

ImageBuilder::ImageBuilder()
    : values_(address_space_bytes), is_set_(address_space_bytes / bits_per_word) {}

bool ImageBuilder::store(std::uint16_t address, std::uint8_t byte) {
    std::uint64_t& word = is_set_[address / bits_per_word];
    const std::uint64_t bit = std::uint64_t{1} << (address % bits_per_word);
    const bool was_other = (word & bit) != 0 && values_[address] != byte;
    word |= bit;
    values_[address] = byte;
    lowest_ = std::min<std::uint32_t>(lowest_, address);
    highest_ = std::max<std::uint32_t>(highest_, address);
    return !was_other;
}

MemoryImage ImageBuilder::image() const {
    MemoryImage image;
    image.run_address = run_address_;
    for (std::uint32_t address = lowest_; address <= highest_; ++address) {
        const std::uint64_t word = is_set_[address / bits_per_word];
        if (word == 0) {
            address |= bits_per_word - 1; // the loop steps to the next word
            continue;
        }
        if ((word >> (address % bits_per_word) & 1) == 0)
            continue;
        const bool continues =
            !image.stretches.empty() &&
            image.stretches.back().start + image.stretches.back().bytes.size() == address;
        if (!continues)
            image.stretches.push_back({static_cast<std::uint16_t>(address), {}});
        image.stretches.back().bytes.push_back(values_[address]);
    }
    return image;
}

bool image_of_bytes(const std::vector<std::uint8_t>& bytes, std::uint16_t start,
                    MemoryImage& image) {
    const std::size_t room = address_space_bytes - start;
    const bool fits = bytes.size() <= room;
    image = {};
    if (!bytes.empty())
        image.stretches.push_back(
            {start,
             {bytes.begin(),
              bytes.begin() + static_cast<std::ptrdiff_t>(fits ? bytes.size() : room)}});
    return fits;
}
