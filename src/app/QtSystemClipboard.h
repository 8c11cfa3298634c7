#pragma once
// The desktop clipboard through QClipboard. Copy offers WAV data under "audio/wav" and
// "audio/x-wav" without producing it; the bytes are rendered only when a program asks for
// them. Pasting reads WAV bytes another program offered under either type.
#include "core/SystemClipboard.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace sv {

class QtSystemClipboard : public SystemClipboard {
public:
    using Renderer = std::function<std::vector<std::uint8_t>()>;
    // render produces the WAV bytes of the document clipboard (RenderClipboardWave).
    explicit QtSystemClipboard(Renderer render);
    // Withdraws a pending offer: nothing may render once the workspace is gone.
    ~QtSystemClipboard() override;

    void OfferWave() override;
    std::vector<std::uint8_t> ReadWave() override;

private:
    std::shared_ptr<Renderer> render_;
};

}  // namespace sv
