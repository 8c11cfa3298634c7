#pragma once
// The desktop's clipboard as the edit commands see it. Copy only announces that WAV data is
// available; the data is produced when another program asks for it. Pasting from the desktop
// takes whatever WAV bytes another program put there. app/ implements it with the toolkit's
// clipboard; headless runs have none.
#include <cstdint>
#include <vector>

namespace sv {

class SystemClipboard {
public:
    virtual ~SystemClipboard() = default;
    // Takes the clipboard and offers WAV data, rendered from the document clipboard on request.
    virtual void OfferWave() = 0;
    // The WAV bytes on the clipboard; empty when it holds none.
    virtual std::vector<std::uint8_t> ReadWave() = 0;
};

}  // namespace sv
