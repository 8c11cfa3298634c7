#pragma once
// The block a second start hands to the running editor: a 4-byte argument count, then 128
// fields of 260 bytes, each a zero-terminated argument; argument 0 is the program path.
// Nothing is ever cut: what does not fit is refused with a message naming it, and a received
// block is checked before any of it is believed.
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::size_t kHandOverArgs = 128;
constexpr std::size_t kHandOverField = 260;
constexpr std::size_t kHandOverBytes = 4 + kHandOverArgs * kHandOverField;  // 33,284

// Fills *block with args (argument 0 included). False with *error set when there are more than
// 128 arguments or one is longer than 259 bytes or holds a zero byte.
bool EncodeHandOverBlock(const std::vector<std::string>& args, std::vector<std::uint8_t>* block, std::string* error);

// Rebuilds the arguments (argument 0 included) from a received block. A block that is not
// exactly 33,284 bytes, or whose counted fields lack their terminator, is refused (false, with
// *error). A negative count means no argument, a count above 128 means 128.
bool DecodeHandOverBlock(const std::uint8_t* data, std::size_t size, std::vector<std::string>* args,
                         std::string* error);

}  // namespace sv
