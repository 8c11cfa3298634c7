// The hand-over block a later start sends to the running editor.
#include "platform/HandOverBlock.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string error;
    // Short inputs are also tried as the start of a whole block, so the fields get exercised.
    std::vector<std::uint8_t> block(sv::kHandOverBytes, 0);
    for (std::size_t i = 0; i < size && i < block.size(); ++i) block[i] = data[i];
    if (sv::DecodeHandOverBlock(block.data(), block.size(), &args, &error)) {
        std::vector<std::uint8_t> again;
        if (!sv::EncodeHandOverBlock(args, &again, &error)) __builtin_trap();
    }
    sv::DecodeHandOverBlock(data, size, &args, &error);
    return 0;
}
