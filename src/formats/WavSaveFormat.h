#pragma once
// The WAV format the user chose for saving: WavCodec.wff (exactly 1,024 bytes: one
// WAVEFORMATEX with its extra bytes, zero-padded) directly in the application data folder, and
// the format chooser "Sélectionner Fichier au Format Wave" described through the Host.
#include "formats/WaveFormat.h"

#include <cstdint>
#include <string>

namespace sv {

class Host;

constexpr std::size_t kWavSaveFormatBytes = 1024;

std::string WavSaveFormatPath();
// inOut holds the default (16-bit PCM at the document's rate and channels) and is replaced by
// the stored record when the file holds a usable one. True only when all 1,024 bytes were read.
bool LoadWavSaveFormat(WAVEFORMATEX& inOut);
// Writes the whole file; true only when all 1,024 bytes were written.
bool StoreWavSaveFormat(const WAVEFORMATEX& format);

// The chooser, started from the stored format (else 16-bit PCM at rate and channels; a stored
// PCM format takes the document's channel count). OK on a format the codec layer cannot write
// is refused with "Format Non Disponible" and the chooser stays. The accepted format is stored
// and returned in chosen; false on Cancel, nothing stored.
bool ChooseWavSaveFormat(Host& host, std::int32_t rate, std::uint8_t channels, WAVEFORMATEX& chosen);

// The channel count a WAV save writes with the stored format: GSM 6.10 holds one channel, so a
// stereo sound is mixed down to it on the way (the left channel, as the converter does).
std::uint8_t WavSaveChannels(std::uint8_t channels);

// The stored format made to fit a document's rate and channel count: PCM keeps its sample
// width, the codecs their own geometry for the new rate.
WAVEFORMATEX AdaptWavSaveFormat(const WAVEFORMATEX& stored, std::int32_t rate, std::uint8_t channels);

}  // namespace sv
