#pragma once
// The options dialogs of the five encoders. Each shows its section's stored values and stores
// them on OK; the field logic and the lists live here, the drawing in the Host.
#include "core/DialogSpec.h"
#include "formats/EncoderSettings.h"

#include <cstdint>

namespace sv {

class Host;
class Settings;

// The bit rates offered by the MP3 and AAC lists, in kbit/s.
extern const int kMp3BitRates[18];

DialogSpec Mp3EncodeDialog(const Mp3EncoderSettings& values);
Mp3EncoderSettings Mp3EncodeValues(const DialogSpec& spec);
// channels presets the channel list to the sound's count.
DialogSpec OggEncodeDialog(const OggEncoderSettings& values, std::uint8_t channels);
OggEncoderSettings OggEncodeValues(const DialogSpec& spec);
DialogSpec FlacEncodeDialog(const FlacEncoderSettings& values);
FlacEncoderSettings FlacEncodeValues(const DialogSpec& spec);
DialogSpec AacEncodeDialog(const AacEncoderSettings& values);
AacEncoderSettings AacEncodeValues(const DialogSpec& spec);
DialogSpec AmrEncodeDialog(const AmrEncoderSettings& values);
AmrEncoderSettings AmrEncodeValues(const DialogSpec& spec);

// Show the dialog with the stored values; on OK store them (when settings is set), true.
bool ShowMp3EncodeDialog(Host& host, Settings* settings);
bool ShowOggEncodeDialog(Host& host, Settings* settings, std::uint8_t channels);
bool ShowFlacEncodeDialog(Host& host, Settings* settings);
bool ShowAacEncodeDialog(Host& host, Settings* settings);
bool ShowAmrEncodeDialog(Host& host, Settings* settings);

}  // namespace sv
