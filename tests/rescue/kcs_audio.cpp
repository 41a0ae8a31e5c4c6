// Test audio: the encoder's tape as samples, resampled, noisy, and wrapped in WAV layouts.
#include "kcs_audio.h"

#include "cli/diagnostics.h"
#include "encoder/encode_stream.h"
#include "test_support.h"

#include <cmath>
#include <cstring>
#include <random>

Signal encode_kcs(const std::string& data) {
    const JobRun run = run_job(data, encode_stream);
    EXPECT_EQ(1, run.result);
    const std::string& wav = run.target;
    Signal signal;
    for (std::size_t i = 44; i < wav.size(); ++i)
        signal.push_back((static_cast<std::uint8_t>(wav[i]) - 128) / 128.0);
    return signal;
}

Signal resample(const Signal& signal, double from_hz, double to_hz, double speed) {
    Signal out;
    const double step = from_hz * speed / to_hz;
    for (double t = 0; t + 1 < static_cast<double>(signal.size()); t += step) {
        const auto i = static_cast<std::size_t>(t);
        const double f = t - static_cast<double>(i);
        out.push_back(signal[i] + f * (signal[i + 1] - signal[i]));
    }
    return out;
}

Signal add_noise(const Signal& signal, double snr_db, unsigned seed) {
    double power = 0;
    for (const double s : signal)
        power += s * s;
    power /= static_cast<double>(signal.size());
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0.0, std::sqrt(power / std::pow(10, snr_db / 10)));
    Signal out = signal;
    for (double& s : out)
        s += noise(generator);
    return out;
}

namespace {

void put_u16(std::string& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put_u32(std::string& bytes, std::uint32_t value) {
    put_u16(bytes, value & 0xFFFF);
    put_u16(bytes, value >> 16);
}

void put_chunk(std::string& bytes, const char* id, const std::string& body) {
    bytes.append(id, 4);
    put_u32(bytes, static_cast<std::uint32_t>(body.size()));
    bytes += body;
    if (body.size() % 2 != 0)
        bytes.push_back('\0');
}

struct LayoutInfo {
    int bits;
    bool is_float;
    bool is_extensible;
};

LayoutInfo info(WavLayout layout) {
    switch (layout) {
    case WavLayout::Pcm8:
        return {8, false, false};
    case WavLayout::Pcm24:
        return {24, false, false};
    case WavLayout::Pcm32:
        return {32, false, false};
    case WavLayout::Float32:
        return {32, true, false};
    case WavLayout::Float64:
        return {64, true, false};
    case WavLayout::Extensible16:
        return {16, false, true};
    case WavLayout::ExtensibleFloat:
        return {32, true, true};
    default:
        return {16, false, false};
    }
}

void put_sample(std::string& bytes, double value, const LayoutInfo& layout) {
    value = value > 1 ? 1 : (value < -1 ? -1 : value);
    if (layout.is_float) {
        if (layout.bits == 32) {
            const auto single = static_cast<float>(value);
            std::uint32_t raw = 0;
            std::memcpy(&raw, &single, sizeof raw);
            put_u32(bytes, raw);
        } else {
            std::uint64_t raw = 0;
            std::memcpy(&raw, &value, sizeof raw);
            put_u32(bytes, static_cast<std::uint32_t>(raw));
            put_u32(bytes, static_cast<std::uint32_t>(raw >> 32));
        }
        return;
    }
    if (layout.bits == 8) {
        bytes.push_back(static_cast<char>(std::lround(value * 127) + 128));
        return;
    }
    const double full = std::ldexp(1.0, layout.bits - 1) - 1;
    const auto code =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(value * full)));
    for (int b = 0; b < layout.bits; b += 8)
        bytes.push_back(static_cast<char>((code >> b) & 0xFF));
}

std::string format_body(const LayoutInfo& layout, int channels, std::uint32_t rate_hz) {
    std::string body;
    const std::uint32_t tag = layout.is_extensible ? 0xFFFE : (layout.is_float ? 3 : 1);
    const std::uint32_t align = static_cast<std::uint32_t>(channels * layout.bits / 8);
    put_u16(body, tag);
    put_u16(body, static_cast<std::uint32_t>(channels));
    put_u32(body, rate_hz);
    put_u32(body, rate_hz * align);
    put_u16(body, align);
    put_u16(body, static_cast<std::uint32_t>(layout.bits));
    if (layout.is_extensible) {
        put_u16(body, 22);                                      // extension size
        put_u16(body, static_cast<std::uint32_t>(layout.bits)); // valid bits
        put_u32(body, channels == 1 ? 4 : 3);                   // speaker mask
        put_u16(body, layout.is_float ? 3 : 1);                 // sub-format GUID, then its tail
        const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        body.append(reinterpret_cast<const char*>(tail), sizeof tail);
    }
    return body;
}

} // namespace

std::string build_wav(const std::vector<Signal>& channels, std::uint32_t rate_hz,
                      WavLayout layout) {
    const LayoutInfo layout_info = info(layout);
    std::string samples;
    for (std::size_t n = 0; n < channels[0].size(); ++n)
        for (const Signal& channel : channels)
            put_sample(samples, channel[n], layout_info);
    std::string chunks;
    if (layout == WavLayout::ExtraChunks)
        put_chunk(chunks, "LIST", std::string("INFOISFT\x06\0\0\0qirvex", 18));
    put_chunk(chunks, "fmt ", format_body(layout_info, static_cast<int>(channels.size()), rate_hz));
    if (layout == WavLayout::ExtraChunks) {
        put_chunk(chunks, "fact", std::string(4, '\x01'));
        put_chunk(chunks, "bext", std::string(77, 'b'));
    }
    put_chunk(chunks, "data", samples);
    std::string wav = "RIFF";
    put_u32(wav, static_cast<std::uint32_t>(chunks.size() + 4));
    return wav + "WAVE" + chunks;
}

Rescued rescue_wav(const std::string& wav, const RescueSettings& settings) {
    // The report goes to the diagnostic stream, which the job captures.
    Rescued rescued;
    const JobRun run = run_job(wav, [&](std::FILE* input, std::FILE* target) {
        AudioInput audio;
        std::string problem;
        rescued.is_read = open_audio(audio, input, RawLayout{}, problem);
        if (rescued.is_read) {
            Progress silent;
            rescued.result =
                decode_recording(audio, settings, {target, diagnostic_stream}, silent).result;
            close_audio(audio);
        }
        return 0;
    });
    rescued.bytes = run.target;
    rescued.report = run.console.diagnostics;
    return rescued;
}
