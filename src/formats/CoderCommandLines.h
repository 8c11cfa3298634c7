#pragma once
// The argument vectors of the coder programs. Each encoder's also says what PCM it is fed: the
// rate and channel count the save path converts to before the samples reach the pipe.
#include "formats/EncoderSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

struct EncoderCommand {
    std::vector<std::string> argv;
    std::int32_t rate = 0;
    std::uint8_t channels = 1;
};

// The MP3 output rate for a sound of rate r under the settings.
std::int32_t Mp3OutputRate(std::int32_t rate, const Mp3EncoderSettings& settings);
// "44.100" for 44100: the rate in kHz with three decimals.
std::string Mp3RateText(std::int32_t rate);

EncoderCommand Mp3Command(const std::string& encoder, const std::string& target, std::int32_t rate,
                          std::uint8_t channels, const Mp3EncoderSettings& settings);
EncoderCommand OggCommand(const std::string& encoder, const std::string& target, std::int32_t rate,
                          std::uint8_t channels, const OggEncoderSettings& settings);
// The stream's own rate and channels are named (never stored ones, which would garble it).
EncoderCommand FlacCommand(const std::string& encoder, const std::string& target, std::int32_t rate,
                           std::uint8_t channels, const FlacEncoderSettings& settings);
EncoderCommand AacCommand(const std::string& encoder, const std::string& target, std::int32_t rate,
                          std::uint8_t channels, const AacEncoderSettings& settings);
// 8000 Hz mono through the pipe ("-" as input).
EncoderCommand AmrPipeCommand(const std::string& encoder, const std::string& target, const AmrEncoderSettings& settings);
// File to file: an 8000 Hz mono WAV to the target.
std::vector<std::string> AmrFileCommand(const std::string& encoder, const std::string& wavPath,
                                        const std::string& target, const AmrEncoderSettings& settings);

// A decoder's arguments for component name ("oggdec", "flacdec", "aacdec", "shndec", "actdec",
// "amrdec"); empty for any other name.
std::vector<std::string> DecoderCommand(const std::string& name, const std::string& decoder,
                                        const std::string& source, const std::string& output);

}  // namespace sv
