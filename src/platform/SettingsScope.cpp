#include "platform/SettingsScope.h"

namespace sv {

std::optional<std::string> MemorySettingsScope::Get(const std::string& section, const std::string& name) const {
    auto it = values_.find({section, name});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool MemorySettingsScope::Set(const std::string& section, const std::string& name, const std::string& value) {
    if (!writable_) return false;
    values_[{section, name}] = value;
    return true;
}

bool MemorySettingsScope::Remove(const std::string& section, const std::string& name) {
    if (!writable_) return false;
    return values_.erase({section, name}) > 0;
}

void MemorySettingsScope::Preset(const std::string& section, const std::string& name, const std::string& value) {
    values_[{section, name}] = value;
}

}  // namespace sv
