#include "cd/SgDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace sv {

namespace {

// Host and driver codes of the kernel's SCSI layer that mean the transport gave up.
constexpr unsigned kDidTimeOut = 0x03;

bool IsDriveName(const std::string& name, int& number) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return false;
    if (name.size() > 6) return false;
    number = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        number = number * 10 + (name[i] - '0');
    }
    return true;
}

}  // namespace

std::unique_ptr<SgDevice> SgDevice::Open(const std::string& path, std::string* error, bool forWriting) {
    // Non-blocking, so that opening a drive without a disc does not wait for one.
    UniqueFd fd(::open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        if (error) *error = path + " : " + std::strerror(errno);
        return nullptr;
    }
    int version = 0;
    if (::ioctl(fd.get(), SG_GET_VERSION_NUM, &version) < 0 || version < 30000) {
        if (error) *error = path + " : le pilote SCSI générique n'est pas disponible";
        return nullptr;
    }
    return std::unique_ptr<SgDevice>(new SgDevice(std::move(fd)));
}

void SgDevice::Execute(ScsiCommand& cmd) {
    cmd.ResetResult();
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.dxfer_direction = cmd.data.empty() ? SG_DXFER_NONE : cmd.dataOut ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
    io.cmd_len = cmd.cdbLength;
    io.cmdp = cmd.cdb.data();
    io.dxferp = cmd.data.data();
    io.dxfer_len = cmd.DataLength();
    io.mx_sb_len = static_cast<unsigned char>(cmd.sense.size());
    io.sbp = cmd.sense.data();
    io.timeout = static_cast<unsigned>(std::max(cmd.timeoutMs, 1));
    if (::ioctl(fd_.get(), SG_IO, &io) < 0) {
        cmd.transportError = std::strerror(errno);
        return;
    }
    cmd.status = io.status;
    cmd.residual = io.resid > 0 ? static_cast<std::uint32_t>(io.resid) : 0;
    if (io.host_status == kDidTimeOut) {
        cmd.transportError = "délai d'attente du lecteur dépassé";
    } else if (io.host_status != 0) {
        cmd.transportError = "erreur de transport SCSI (hôte " + std::to_string(io.host_status) + ")";
    } else if (io.status == kScsiStatusGood && (io.driver_status & 0x0F) != 0 && io.sb_len_wr == 0) {
        cmd.transportError = "erreur du pilote SCSI (" + std::to_string(io.driver_status) + ")";
    }
}

std::vector<CdDriveInfo> SystemCdDrives::Enumerate() {
    std::vector<std::pair<int, std::string>> found;
    if (DIR* dir = ::opendir(sysRoot_.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            int number;
            std::string name = entry->d_name;
            if (!IsDriveName(name, number)) continue;
            std::ifstream type(sysRoot_ + "/" + name + "/device/type");
            int scsiType = -1;
            if (!(type >> scsiType) || scsiType != 5) continue;
            found.emplace_back(number, name);
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<CdDriveInfo> drives;
    for (const auto& [number, name] : found) drives.push_back({devRoot_ + "/" + name});
    return drives;
}

std::unique_ptr<CdDevice> SystemCdDrives::Open(const CdDriveInfo& drive, std::string* error) {
    return SgDevice::Open(drive.devicePath, error);
}

std::unique_ptr<CdDevice> SystemCdDrives::OpenForWriting(const CdDriveInfo& drive, std::string* error) {
    return SgDevice::Open(drive.devicePath, error, true);
}

}  // namespace sv
