// The WAV row of the format table.
#include "formats/FileFormatTable.h"
#include "formats/WavReader.h"
#include "formats/WavSaveFormat.h"
#include "formats/WavWriter.h"

namespace sv {

namespace {

std::string WavOpenMessage(int code, const std::string& path) {
    switch (code) {
    case kReaderCorrupt: return CorruptFileMessage(path);
    case kReaderCannotOpen: return CannotReadMessage(path);
    case kReaderCodecMissing:
        return "Cannot open the file \"" + path +
               "\" because the required ACM codec is not installed on this PC.\r\n\r\nOpen the file with Windows Media "
               "Player to auto-install the codec then reattempt to load it.";
    default: return "Cannot open the file \"" + path + "\".";
    }
}

// The stored format decides what the file holds; GSM takes one channel whatever the sound has.
Ref<LAudioWriter> CreateWavSaveWriter(const SaveRequest& request) {
    const std::int32_t rate = request.rate;
    const std::uint8_t channels = WavSaveChannels(request.channels);
    WAVEFORMATEX format = MakePcmFormat(static_cast<std::uint32_t>(rate), channels, 16);
    LoadWavSaveFormat(format);
    return CreateWavWriter(request.path, AdaptWavSaveFormat(format, rate, channels));
}

bool ShowWavSaveOptions(const SaveRequest& request) {
    WAVEFORMATEX chosen;
    return ChooseWavSaveFormat(*request.host, request.rate, request.channels, chosen);
}

FileFormatRow MakeWavRow() {
    FileFormatRow row;
    row.extensions = {".wav"};
    row.openReader = OpenWavReader;
    row.readerMessage = WavOpenMessage;
    row.createWriter = CreateWavSaveWriter;
    row.saveOptions = ShowWavSaveOptions;
    row.writesTags = true;
    return row;
}

}  // namespace

const FileFormatRow kWavFormatRow = MakeWavRow();

}  // namespace sv
