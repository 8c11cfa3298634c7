#include "core/AudioWriter.h"

#include <climits>

namespace sv {

bool LAudioWriter::Finish() {
    if (!finished_) {
        finished_ = true;
        if (!DoFinish() && !error) Fail("Le fichier n'a pas pu être terminé.");
    }
    return !error;
}

void LAudioWriter::Fail(const std::string& why) {
    if (!error) {
        error = true;
        errorText = why;
    }
}

LErrorWriter::LErrorWriter(std::string why) {
    error = true;
    errorText = std::move(why);
}

void LErrorWriter::Write(const std::int32_t*, std::int32_t frames) {
    if (frames > 0) framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
}

}  // namespace sv
