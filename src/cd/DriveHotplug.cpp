#include "cd/DriveHotplug.h"

#include <libudev.h>

namespace sv {

namespace {

bool IsCdNode(const std::string& devnode) { return devnode.rfind("/dev/sr", 0) == 0; }

std::string Text(const char* s) { return s ? s : ""; }

}  // namespace

bool ClassifyCdUevent(const std::string& action, const std::string& devnode, const std::string& media,
                      const std::string& mediaChange, CdHotplugEvent& event) {
    if (!IsCdNode(devnode)) return false;
    event.devicePath = devnode;
    if (action == "add") {
        event.kind = CdHotplugKind::DriveAdded;
        return true;
    }
    if (action == "remove") {
        event.kind = CdHotplugKind::DriveRemoved;
        return true;
    }
    if (action == "change" && mediaChange == "1") {
        event.kind = media == "1" ? CdHotplugKind::DiscInserted : CdHotplugKind::DiscRemoved;
        return true;
    }
    return false;
}

std::unique_ptr<DriveHotplug> DriveHotplug::Create() {
    udev* context = udev_new();
    if (!context) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", "disk") < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<DriveHotplug>(new DriveHotplug(context, monitor));
}

DriveHotplug::~DriveHotplug() {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
}

int DriveHotplug::Fd() const { return udev_monitor_get_fd(monitor_); }

std::vector<CdHotplugEvent> DriveHotplug::ReadEvents() {
    std::vector<CdHotplugEvent> events;
    // The monitor's socket is non-blocking: receive returns null once nothing is waiting.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        CdHotplugEvent event;
        if (ClassifyCdUevent(Text(udev_device_get_action(device)), Text(udev_device_get_devnode(device)),
                             Text(udev_device_get_property_value(device, "ID_CDROM_MEDIA")),
                             Text(udev_device_get_property_value(device, "DISK_MEDIA_CHANGE")), event))
            events.push_back(event);
        udev_device_unref(device);
    }
    return events;
}

}  // namespace sv
