#pragma once
// The Tools menu's analysis commands: 7001 "Analyse de Fréquence (TFR)", the spectrum at the
// cursor, and 7005 "Analyse de Fréquence Temporelle (TFRT)", the spectrogram of the selection.
// The windows that show them are the frame's; headless, nothing is shown.
#include "analysis/FrequencySpectrum.h"
#include "analysis/Spectrogram.h"

#include <memory>

namespace sv {

class CommandRegistry;
class LAudioDocument;
class Workspace;

class AnalysisWindows {
public:
    virtual ~AnalysisWindows() = default;
    // True when the spectrum window exists.
    virtual bool HasSpectrumWindow() const = 0;
    // Creates the window when create is set and it does not exist; with create, brings it to
    // the front. Without create and without a window, nothing.
    virtual void ShowSpectrum(LAudioDocument& doc, FrequencySpectrum spectrum, bool create) = 0;
    virtual void ShowSpectrogram(LAudioDocument& doc, std::shared_ptr<const SpectrogramData> data) = 0;
    virtual void CloseSpectrogram() = 0;
};

// The refresh of the spectrum: computed here, on the calling thread, for command 7001.
void RefreshFrequencyAnalysis(Workspace& ws, AnalysisWindows& windows, bool create);
// Command 7005 on the active document.
void TimeFrequencyAnalysisCommand(Workspace& ws, AnalysisWindows& windows);

void RegisterAnalysisCommands(CommandRegistry& registry, AnalysisWindows& windows);

}  // namespace sv
