// The media decoder's rows of the format table: ".wma" and every extension no other row opens.
#include "core/ProgressTask.h"
#include "formats/FileFormatTable.h"
#include "formats/MediaDecoder.h"
#include "formats/TempDecodeFile.h"
#include "formats/WavReader.h"
#include "platform/Paths.h"

namespace sv {

namespace {

const char kCodecHelpPage[] = "https://www.quillon-acoustics.com/sonvela/help/voice-recorder-codec.html";

std::string WmaMessage(const std::string& path) {
    return "Cannot open file \"" + path +
           "\". It is possible that the file does not exist, it is corrupt or the file is protected with Digital "
           "Rights Management (DRM) which limits the recording to limited players.";
}

std::string CodecMessage(const std::string& path) {
    return "Cannot open the file \"" + path +
           "\" because the codec is not installed. Please download the Sony codec following the links from " +
           kCodecHelpPage + ".";
}

// Decodes into the temporary WAV and reads that; failures other than the decoder's own result
// 2 (a cancel, say) pass on without a message.
int DecodeToTemporaryWav(Ref<LAudioReader>& out, const OpenRequest& request, const char* progressText) {
    int result = RunUnderTask(request.task, request.host, [&](LProgressTask& t) {
        t.SetText(0, progressText);
        TempDecodeFile temp = TempDecodeFile::Reserve();
        if (!temp.Held()) return static_cast<int>(kTaskFailed);
        int decoded = DecodeWithMediaDecoder(t, request.path, temp.WavPath());
        // A reader error here is left to the caller, which sees the reader's code.
        if (decoded == kTaskDone) out = OpenWavReader(temp.WavPath());
        return decoded;
    });
    if (result != kTaskDone) out = MakeRef<LErrorReader>(kReaderCannotOpen);
    return result;
}

OpenOutcome OpenWma(Ref<LAudioReader>& out, const OpenRequest& request) {
    int result = DecodeToTemporaryWav(out, request, kWmaFormatRow.progressText);
    return {result, result == kTaskFailed ? WmaMessage(request.path) : std::string()};
}

OpenOutcome OpenAnyOther(Ref<LAudioReader>& out, const OpenRequest& request) {
    int result = DecodeToTemporaryWav(out, request, kMediaDecoderFallbackRow.progressText);
    if (result != kTaskFailed) return {result, {}};
    if (!FileExists(request.path)) return {result, CannotReadMessage(request.path)};
    if (request.extension == ".msv" || request.extension == ".dvf") return {result, CodecMessage(request.path)};
    return {result, FormatNotSupportedMessage(request.path)};
}

FileFormatRow MakeRow(std::vector<std::string> extensions, OpenOutcome (*open)(Ref<LAudioReader>&, const OpenRequest&),
                      const char* progressText) {
    FileFormatRow row;
    row.extensions = std::move(extensions);
    row.open = open;
    row.progressText = progressText;
    return row;
}

}  // namespace

const FileFormatRow kWmaFormatRow = MakeRow({".wma"}, OpenWma, "Loading WMA file");
const FileFormatRow kMediaDecoderFallbackRow = MakeRow({}, OpenAnyOther, "Loading with DirectX");

}  // namespace sv
