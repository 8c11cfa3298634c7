#pragma once
// The frame's two analysis windows, made on first use as top-level windows owned by the
// frame: the spectrum (which then follows the active document's cursor by itself) and the
// spectrogram.
#include "analysis/AnalysisCommands.h"

#include <QPointer>

class QWidget;

namespace sv {

class LFrequencyWindow;
class LTFFTWindow;
class Workspace;

class AnalysisWindowSet : public AnalysisWindows {
public:
    explicit AnalysisWindowSet(Workspace& ws) : ws_(ws) {}
    // The frame, once it exists: the windows' owner.
    void SetOwner(QWidget* owner) { owner_ = owner; }

    bool HasSpectrumWindow() const override;
    void ShowSpectrum(LAudioDocument& doc, FrequencySpectrum spectrum, bool create) override;
    void ShowSpectrogram(LAudioDocument& doc, std::shared_ptr<const SpectrogramData> data) override;
    void CloseSpectrogram() override;

    LFrequencyWindow* SpectrumWindow() const;
    LTFFTWindow* SpectrogramWindow() const;

private:
    Workspace& ws_;
    QWidget* owner_ = nullptr;
    QPointer<LFrequencyWindow> spectrum_;
    QPointer<LTFFTWindow> spectrogram_;
};

}  // namespace sv
