#include "platform/HandOverBlock.h"

#include <cstring>

namespace sv {

bool EncodeHandOverBlock(const std::vector<std::string>& args, std::vector<std::uint8_t>* block, std::string* error) {
    if (args.size() > kHandOverArgs) {
        *error = "La ligne de commande compte " + std::to_string(args.size()) +
                 " arguments ; l'éditeur en cours n'en reçoit que " + std::to_string(kHandOverArgs) +
                 " (le programme compris).";
        return false;
    }
    for (const std::string& arg : args) {
        if (arg.size() >= kHandOverField) {
            *error = "L'argument \"" + arg + "\" dépasse " + std::to_string(kHandOverField - 1) +
                     " octets ; l'éditeur en cours ne peut pas le recevoir.";
            return false;
        }
        if (arg.find('\0') != std::string::npos) {
            *error = "Un argument contient un octet nul.";
            return false;
        }
    }
    block->assign(kHandOverBytes, 0);
    const auto count = static_cast<std::int32_t>(args.size());
    std::memcpy(block->data(), &count, 4);
    for (std::size_t i = 0; i < args.size(); ++i)
        std::memcpy(block->data() + 4 + i * kHandOverField, args[i].data(), args[i].size());
    return true;
}

bool DecodeHandOverBlock(const std::uint8_t* data, std::size_t size, std::vector<std::string>* args,
                         std::string* error) {
    args->clear();
    if (size != kHandOverBytes) {
        *error = "bloc de " + std::to_string(size) + " octets au lieu de " + std::to_string(kHandOverBytes);
        return false;
    }
    std::int32_t count = 0;
    std::memcpy(&count, data, 4);
    if (count < 0) count = 0;
    if (count > static_cast<std::int32_t>(kHandOverArgs)) count = static_cast<std::int32_t>(kHandOverArgs);
    for (std::int32_t i = 0; i < count; ++i) {
        const auto* field = reinterpret_cast<const char*>(data + 4 + static_cast<std::size_t>(i) * kHandOverField);
        const void* end = std::memchr(field, 0, kHandOverField);
        if (!end) {
            *error = "argument " + std::to_string(i) + " sans fin";
            args->clear();
            return false;
        }
        args->emplace_back(field, static_cast<const char*>(end) - field);
    }
    return true;
}

}  // namespace sv
