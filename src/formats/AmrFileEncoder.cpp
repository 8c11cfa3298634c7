#include "formats/AmrFileEncoder.h"

#include "core/ProgressTask.h"
#include "formats/CoderCommandLines.h"
#include "formats/CoderProcess.h"
#include "formats/Components.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFile.h"

namespace sv {

int EncodeAmrFile(LProgressTask* task, Host* host, const Settings* settings, const std::string& wavPath,
                  const std::string& outPath, std::string* why) {
    auto fail = [&](const std::string& text) {
        RemoveFile(outPath);
        if (why) *why = text;
        return static_cast<int>(kTaskFailed);
    };
    {
        Ref<LAudioReader> wav = OpenWavReader(wavPath);
        if (wav->errorCode != kReaderOk || wav->sampleRate != 8000 || wav->channels != 1)
            return fail("Le fichier à coder doit être un WAV 8000 Hz mono.");
    }
    if (EnsureComponent(host, settings, "amrenc") != 0) return fail({});
    std::string encoder;
    ComponentPath(settings, "amrenc", encoder);
    const std::vector<std::string> argv = AmrFileCommand(encoder, wavPath, outPath, AmrEncoderSettings::Load(settings));
    if (!task) {
        FunctionTask quiet("AMR", [&](LProgressTask& t) { return RunHidden(t, argv, outPath, why); });
        quiet.Run();
        return quiet.Result();
    }
    return RunHidden(*task, argv, outPath, why);
}

namespace {

class LAmrFileWriter : public LAudioWriter {
public:
    LAmrFileWriter(const std::string& target, const Settings* settings, LProgressTask* task)
        : target_(target), settings_(settings), task_(task) {
        sampleRate = 8000;
        channels = 1;
        if (task_) task_->SetText(0, "Prétraîtement du fichier...");
        wavFile_ = PrivateTempFile::Create(FileNamePart(target), ".wav");
        if (!wavFile_.Valid()) {
            Fail("Le fichier temporaire n'a pas pu être créé.");
            return;
        }
        wav_ = CreatePcmWavWriter(wavFile_.Path(), 8000, 1, 2);
        if (wav_->error) Fail(wav_->errorText);
    }
    ~LAmrFileWriter() override { Finish(); }

    void Write(const std::int32_t* src, std::int32_t frames) override {
        if (error) return;
        wav_->Write(src, frames);
        framesWritten = wav_->framesWritten;
        if (wav_->error) Fail(wav_->errorText);
    }
    void Truncate(std::int32_t frame) override {
        if (error) return;
        wav_->Truncate(frame);
        framesWritten = wav_->framesWritten;
    }

protected:
    bool DoFinish() override {
        if (error) return false;
        if (!wav_->Finish()) {
            Fail(wav_->errorText);
            return false;
        }
        wav_ = nullptr;
        if (task_) task_->SetText(0, "Enregistrement du fichier...");
        std::string why;
        int result = EncodeAmrFile(task_, nullptr, settings_, wavFile_.Path(), target_, &why);
        if (result == kTaskDone) return true;
        Fail(result == kTaskCancelled ? "Enregistrement annulé." : why);
        return false;
    }

private:
    std::string target_;
    const Settings* settings_;
    LProgressTask* task_;
    PrivateTempFile wavFile_;
    Ref<LAudioWriter> wav_;
};

}  // namespace

Ref<LAudioWriter> CreateAmrFileWriter(const std::string& target, const Settings* settings, LProgressTask* task) {
    return MakeRef<LAmrFileWriter>(target, settings, task);
}

}  // namespace sv
