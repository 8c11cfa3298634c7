#include "platform/Settings.h"

#include "platform/Utf8Text.h"

#include <climits>
#include <cstdint>

namespace sv {

namespace {
constexpr std::size_t kValueChars = 259;

std::string Cut(const std::string& s) { return CutUtf8(s, kValueChars); }
}  // namespace

int ParseIntLenient(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<std::int64_t>(INT_MAX) + 1) value = static_cast<std::int64_t>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

std::string Settings::ReadSetting(const std::string& section, const std::string& name) const {
    if (auto v = user_.Get(section, name)) return Cut(*v);
    if (machine_) {
        if (auto v = machine_->Get(section, name)) return Cut(*v);
    }
    return {};
}

std::string Settings::ReadUserSetting(const std::string& section, const std::string& name,
                                      const std::string& def) const {
    if (auto v = user_.Get(section, name)) return Cut(*v);
    return def;
}

int Settings::ReadIntSetting(const std::string& section, const std::string& name, int def) const {
    std::string text = ReadSetting(section, name);
    return text.empty() ? def : ParseIntLenient(text);
}

bool Settings::ReadBoolSetting(const std::string& section, const std::string& name, bool def) const {
    std::string text = ReadSetting(section, name);
    if (text.empty()) return def;
    return text != "0";
}

bool Settings::ReadBoolUserSetting(const std::string& section, const std::string& name, bool def) const {
    std::string text = ReadUserSetting(section, name, "");
    if (text.empty()) return def;
    return text != "0";
}

bool Settings::WriteUserSetting(const std::string& section, const std::string& name, const std::string& text) {
    return user_.Set(section, name, text);
}

bool Settings::WriteIntUserSetting(const std::string& section, const std::string& name, int value) {
    return user_.Set(section, name, std::to_string(value));
}

bool Settings::WriteBoolUserSetting(const std::string& section, const std::string& name, bool value) {
    return user_.Set(section, name, value ? "1" : "0");
}

bool Settings::WriteSettingEverywhere(const std::string& section, const std::string& name, const std::string& text) {
    if (machine_) machine_->Set(section, name, text);
    return user_.Set(section, name, text);
}

bool Settings::WriteIntSettingEverywhere(const std::string& section, const std::string& name, int value) {
    return WriteSettingEverywhere(section, name, std::to_string(value));
}

bool Settings::DeleteRecentValue(const std::string& name) { return user_.Remove("Recent", name); }

}  // namespace sv
