#pragma once
// Drive and disc arrivals and removals, from the udev monitor of block devices. The owner
// watches Fd() for readability (the dialog with its event loop) and calls ReadEvents.
#include <memory>
#include <string>
#include <vector>

struct udev;
struct udev_monitor;

namespace sv {

enum class CdHotplugKind { DriveAdded, DriveRemoved, DiscInserted, DiscRemoved };

struct CdHotplugEvent {
    CdHotplugKind kind;
    std::string devicePath;  // "/dev/sr0"
};

// What a udev event of a block device means for CD import; none for other devices and for
// changes that concern neither drive nor disc. media is the ID_CDROM_MEDIA property ("" when
// absent), mediaChange the DISK_MEDIA_CHANGE property.
bool ClassifyCdUevent(const std::string& action, const std::string& devnode, const std::string& media,
                      const std::string& mediaChange, CdHotplugEvent& event);

class DriveHotplug {
public:
    // Null when udev cannot be reached (no monitor: the dialog polls the drive list instead).
    static std::unique_ptr<DriveHotplug> Create();
    ~DriveHotplug();
    DriveHotplug(const DriveHotplug&) = delete;
    DriveHotplug& operator=(const DriveHotplug&) = delete;

    int Fd() const;
    // The events waiting now; never blocks.
    std::vector<CdHotplugEvent> ReadEvents();

private:
    DriveHotplug(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
    udev* udev_;
    udev_monitor* monitor_;
};

}  // namespace sv
