#pragma once
// Base64 as mail uses it: AUTH LOGIN's lines and attachments, 57 input bytes to a line of 76.
#include <cstddef>
#include <string>

namespace sv {

constexpr std::size_t kBase64LineInput = 57;

std::string Base64Encode(const unsigned char* data, std::size_t size);
std::string Base64Encode(const std::string& bytes);

}  // namespace sv
