#include "analysis/AnalysisCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

namespace sv {

namespace {

const char kLongSelectionQuestion[] =
    "Le graphique d'Analyse Temporelle n'est généralement réalisé que sur des sélections courtes (de quelques "
    "secondes environ) car il demande un temps de calcul élevé. Poursuivre tout de même?";

}  // namespace

void RefreshFrequencyAnalysis(Workspace& ws, AnalysisWindows& windows, bool create) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    if (!create && !windows.HasSpectrumWindow()) return;
    const bool existed = windows.HasSpectrumWindow();
    SpectrumAnalyzer analyzer;
    windows.ShowSpectrum(*doc, analyzer.Analyze(doc->sound, doc->cursor), create);
    if (create && !existed && ws.settings().ReadIntSetting("Settings", "AutoArrangeWindows", 1) != 0)
        ws.TileWindows();
}

void TimeFrequencyAnalysisCommand(Workspace& ws, AnalysisWindows& windows) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return;
    SelectAllIfNone(ws);
    StopPlayback(ws);
    const std::int32_t start = doc->selectionStart;
    const std::int32_t length = doc->selectionEnd - doc->selectionStart;
    if (length <= 0) return;
    if (static_cast<std::int64_t>(length) > 10 * static_cast<std::int64_t>(doc->sound.sampleRate)) {
        MsgAnswer answer = ws.host().MessageBox(kLongSelectionQuestion, "Sonvela", MsgIcon::Question,
                                                MsgButtons::YesNoCancel);
        if (answer != MsgAnswer::Yes) return;
    }
    auto data = std::make_shared<SpectrogramData>();
    FunctionTask task("Calcul des Données de Fréquence Temporelle",
                      [&](LProgressTask& t) { return ComputeSpectrogram(t, doc->sound, start, length, *data); });
    if (!RunTask(ws.host(), task)) {
        windows.CloseSpectrogram();
        return;
    }
    windows.ShowSpectrogram(*doc, std::move(data));
}

void RegisterAnalysisCommands(CommandRegistry& registry, AnalysisWindows& windows) {
    registry.Register(kCmdFrequencyAnalysis, {[&windows](Workspace& ws) { RefreshFrequencyAnalysis(ws, windows, true); },
                                              HasActiveDocument, nullptr, nullptr});
    registry.Register(kCmdTimeFrequency, {[&windows](Workspace& ws) { TimeFrequencyAnalysisCommand(ws, windows); },
                                          HasActiveDocument, nullptr, nullptr});
}

}  // namespace sv
