#include "app/AnalysisWindowSet.h"

#include "views/FrequencyWindow.h"
#include "views/SpectrogramWindow.h"

namespace sv {

bool AnalysisWindowSet::HasSpectrumWindow() const { return !spectrum_.isNull(); }
LFrequencyWindow* AnalysisWindowSet::SpectrumWindow() const { return spectrum_.data(); }
LTFFTWindow* AnalysisWindowSet::SpectrogramWindow() const { return spectrogram_.data(); }

void AnalysisWindowSet::ShowSpectrum(LAudioDocument& doc, FrequencySpectrum spectrum, bool create) {
    if (!spectrum_) {
        if (!create) return;
        spectrum_ = new LFrequencyWindow(ws_, owner_);
        spectrum_->setAttribute(Qt::WA_DeleteOnClose);
    }
    spectrum_->ShowComputed(doc, spectrum);
    if (create) {
        spectrum_->show();
        spectrum_->raise();
    }
}

void AnalysisWindowSet::ShowSpectrogram(LAudioDocument& doc, std::shared_ptr<const SpectrogramData> data) {
    if (!spectrogram_) {
        spectrogram_ = new LTFFTWindow(ws_, owner_);
        spectrogram_->setAttribute(Qt::WA_DeleteOnClose);
    }
    spectrogram_->Show(doc, std::move(data));
}

void AnalysisWindowSet::CloseSpectrogram() {
    if (spectrogram_) spectrogram_->close();
}

}  // namespace sv
