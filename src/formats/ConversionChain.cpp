#include "formats/ConversionChain.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "core/ProgressTask.h"
#include "effects/ChannelConverter.h"
#include "effects/Resampler.h"
#include "formats/AudioFileIo.h"

namespace sv {

namespace {

bool Convertible(std::uint8_t from, std::uint8_t to) { return (from == 1 || from == 2) && (to == 1 || to == 2); }

}  // namespace

Ref<LAudioReader> ConvertReader(Ref<LAudioReader> reader, std::int32_t rate, std::uint8_t channels) {
    if (!reader || reader->errorCode != kReaderOk) return reader;
    if (channels < reader->channels && Convertible(reader->channels, channels))
        reader = ConvertChannels(reader, channels);
    if (rate > 0 && rate != reader->sampleRate) reader = LResampler::Create(reader, rate);
    if (channels != reader->channels && Convertible(reader->channels, channels))
        reader = ConvertChannels(reader, channels);
    return reader;
}

int ConvertSoundData(LProgressTask& task, BlockStore& store, LAudioData& sound, std::int32_t rate,
                     std::uint8_t channels) {
    Ref<LAudioReader> source = LBlockReader::Create(sound);
    Ref<LAudioReader> converted = ConvertReader(source, rate, channels);
    if (converted == source) return kTaskDone;
    if (converted->errorCode != kReaderOk) return kTaskFailed;
    task.SetText(0, "Converting rate or channels...");
    LAudioData result(converted->sampleRate, converted->channels);
    int pumped;
    {
        Ref<LBlockWriter> writer = LBlockWriter::Create(store, result, converted->sampleRate, converted->channels);
        pumped = PumpSamples(task, converted, writer);
        if (pumped == kTaskDone && !writer->Finish()) pumped = kTaskFailed;
        if (pumped == kTaskFailed && !writer->errorText.empty()) task.Error(writer->errorText);
    }
    if (pumped != kTaskDone) return pumped;
    sound = std::move(result);
    return kTaskDone;
}

}  // namespace sv
