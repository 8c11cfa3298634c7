#pragma once
// Headerless sound files (".raw", ".snd", ".vox"): samples only, in one of seven codings the
// user chooses, with their settings stored under a key ("RawAudio", "VoxAudio"): "SampleRate",
// "Channels" (0 read as 1) and "Codec" (the index in the codec list).
#include "core/AudioReader.h"
#include "core/AudioWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class Host;
class Settings;

enum RawCodec : std::int32_t {
    kRawDialogicAdpcm = 0,
    kRawMulaw = 1,
    kRawAlaw = 2,
    kRawPcm16Le = 3,
    kRawUnsigned8 = 4,
    kRawSigned8 = 5,
    kRawPcm16Be = 6,
};

// The names of the dialog's codec list, in index order.
const std::vector<std::string>& RawCodecNames();

struct LRawSettings {
    std::int32_t sampleRate = 44100;
    std::uint8_t channels = 1;
    std::int32_t codec = kRawPcm16Le;
};

constexpr std::int32_t kMinRawRate = 6000;
constexpr std::int32_t kMaxRawRate = 196000;

// The settings under key, else the defaults (1 channel). Without settings, the defaults.
LRawSettings LoadRawSettings(const Settings* settings, const std::string& key, std::int32_t defaultRate,
                             std::int32_t defaultCodec);
void StoreRawSettings(Settings* settings, const std::string& key, const LRawSettings& raw);

// The raw settings dialog (LRawDlg) showing the settings under key; OK with a rate outside
// 6000..196000 is refused and the dialog stays. On OK the values are stored and true returned.
bool ShowRawDialog(Host& host, Settings* settings, const std::string& key, std::int32_t defaultRate,
                   std::int32_t defaultCodec);

// By codec index; codec 0 (Dialogic ADPCM) is mono whatever the channel count says. An
// unknown codec gives an LErrorReader (3) or an LErrorWriter; a file that cannot be opened 4.
Ref<LAudioReader> OpenRawReader(const LRawSettings& raw, const std::string& path);
Ref<LAudioWriter> CreateRawWriter(const LRawSettings& raw, const std::string& path);

}  // namespace sv
