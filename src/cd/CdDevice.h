#pragma once
// An opened CD drive that executes SCSI command blocks. Execute blocks until the command is
// done or the transport gives up; it runs on a drive channel's worker thread, never on the
// window thread.
#include "cd/ScsiCommand.h"

#include <memory>
#include <string>
#include <vector>

namespace sv {

class CdDevice {
public:
    virtual ~CdDevice() = default;
    virtual void Execute(ScsiCommand& cmd) = 0;
};

struct CdDriveInfo {
    std::string devicePath;  // "/dev/sr0"
};

// Where drives come from: the system's drives, or simulated ones in tests.
class CdDriveSource {
public:
    virtual ~CdDriveSource() = default;
    // The drives in a stable order; drive N of the dialog is entry N.
    virtual std::vector<CdDriveInfo> Enumerate() = 0;
    // Null with *error set when the drive cannot be opened.
    virtual std::unique_ptr<CdDevice> Open(const CdDriveInfo& drive, std::string* error) = 0;
    // The kernel lets writing commands (WRITE, MODE SELECT, BLANK) through only to a device
    // opened for reading and writing.
    virtual std::unique_ptr<CdDevice> OpenForWriting(const CdDriveInfo& drive, std::string* error) {
        return Open(drive, error);
    }
};

}  // namespace sv
