#pragma once
// A system CD drive through the generic SCSI pass-through (SG_IO on /dev/sr*), and the list of
// the system's drives from /sys/class/block.
#include "cd/CdDevice.h"
#include "platform/UniqueFd.h"

namespace sv {

class SgDevice : public CdDevice {
public:
    // Null with *error set when the device cannot be opened.
    static std::unique_ptr<SgDevice> Open(const std::string& path, std::string* error, bool forWriting = false);
    void Execute(ScsiCommand& cmd) override;

private:
    explicit SgDevice(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;
};

class SystemCdDrives : public CdDriveSource {
public:
    // sysRoot and devRoot are "/sys/class/block" and "/dev" but for tests.
    explicit SystemCdDrives(std::string sysRoot = "/sys/class/block", std::string devRoot = "/dev")
        : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}
    // Every "sr<N>" block device whose SCSI type is 5 (a CD-ROM), by N.
    std::vector<CdDriveInfo> Enumerate() override;
    std::unique_ptr<CdDevice> Open(const CdDriveInfo& drive, std::string* error) override;
    std::unique_ptr<CdDevice> OpenForWriting(const CdDriveInfo& drive, std::string* error) override;

private:
    std::string sysRoot_;
    std::string devRoot_;
};

}  // namespace sv
