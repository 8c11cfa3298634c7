#include "cd/CdBurnCommand.h"

#include "cd/CdBurnService.h"
#include "cd/CdDevice.h"
#include "core/CleanName.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"

#include <algorithm>

namespace sv {

namespace {

constexpr const char* kBurnFailed = "Burn has failed. Please try another disk or try a lower speed.";

bool NamesUsable(Workspace& ws, const std::vector<std::size_t>& order) {
    for (std::size_t index : order) {
        const std::string& name = ws.Regions()[index].name;
        if (!CleanName(name).empty()) continue;
        ws.host().MessageBox("The name of the region \"" + name +
                                 "\" contains characters that are not valid for a file name. Please rename it "
                                 "with a new name that contains text only and try again.",
                             "File Name Invalid", MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    return true;
}

std::vector<std::string> DriveNames(CdDriveSource& drives) {
    std::vector<std::string> names;
    const std::size_t count = drives.Enumerate().size();
    for (std::size_t i = 0; i < count; ++i) names.push_back("CD-ROM " + std::to_string(i + 1));
    return names;
}

}  // namespace

int CopyRegionsToCd(Workspace& ws, const std::vector<std::size_t>& indices, CdDriveSource& drives,
                    const CdBurnSetup& setup) {
    std::vector<std::size_t> order;
    for (std::size_t i : indices)
        if (i < ws.Regions().Count()) order.push_back(i);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    if (order.empty() || !NamesUsable(ws, order)) return kTaskCancelled;
    Host& host = ws.host();
    if (order.size() > static_cast<std::size_t>(kMaxCdTracks)) {
        host.MessageBox("An audio CD holds at most 99 tracks and " + std::to_string(order.size()) +
                            " regions are selected. Please select 99 regions or fewer and try again.",
                        "Burn Audio CD", MsgIcon::Information, MsgButtons::Ok);
        return kTaskCancelled;
    }
    DialogSpec spec = CdBurnDialog(ReadCdBurnOptions(ws.settings()), DriveNames(drives));
    if (!host.RunDialog(spec)) return kTaskCancelled;
    const CdBurnOptions options = CdBurnOptionsFrom(spec);
    WriteCdBurnOptions(ws.settings(), options);

    std::vector<CdBurnTrack> tracks;
    for (std::size_t i : order) tracks.push_back({ws.Regions()[i].sound, ws.Regions()[i].name});
    const std::string program = setup.program.empty() ? DefaultBurnProgram() : setup.program;
    FunctionTask task("Burn Audio CD", [&](LProgressTask& t) {
        return options.internal ? WriteAudioCd(drives, options, tracks, t, setup.timing)
                                : BurnWithService(drives, options, tracks, t, program);
    });
    RunTask(host, task);
    if (task.Result() != kTaskDone) host.MessageBox(kBurnFailed, "Sonvela", MsgIcon::Error, MsgButtons::Ok);
    return task.Result();
}

}  // namespace sv
