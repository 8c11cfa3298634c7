#pragma once
// The read and write rules every part of the program uses for its settings: the user's
// scope first, the machine's second, every value text.
#include "platform/SettingsScope.h"

#include <string>

namespace sv {

class Settings {
public:
    // machine may be null when there are no machine-wide defaults.
    Settings(SettingsScope& user, SettingsScope* machine) : user_(user), machine_(machine) {}

    // User scope, then machine scope; empty when missing in both. Cut to 259 characters.
    std::string ReadSetting(const std::string& section, const std::string& name) const;
    std::string ReadUserSetting(const std::string& section, const std::string& name, const std::string& def) const;
    int ReadIntSetting(const std::string& section, const std::string& name, int def) const;
    // Empty gives the default, "0" false, anything else true.
    bool ReadBoolSetting(const std::string& section, const std::string& name, bool def) const;
    bool ReadBoolUserSetting(const std::string& section, const std::string& name, bool def) const;

    bool WriteUserSetting(const std::string& section, const std::string& name, const std::string& text);
    bool WriteIntUserSetting(const std::string& section, const std::string& name, int value);
    bool WriteBoolUserSetting(const std::string& section, const std::string& name, bool value);
    // The machine scope first (when it can be written), then the user scope.
    bool WriteSettingEverywhere(const std::string& section, const std::string& name, const std::string& text);
    bool WriteIntSettingEverywhere(const std::string& section, const std::string& name, int value);
    bool DeleteRecentValue(const std::string& name);

    // The scopes themselves, for the few lookups whose order differs (components: machine first).
    SettingsScope& UserScope() const { return user_; }
    SettingsScope* MachineScope() const { return machine_; }

private:
    SettingsScope& user_;
    SettingsScope* machine_;
};

// Decimal conversion as the C library's atoi does it: leading blanks, a sign, digits, then
// anything; no digits gives 0. Values beyond int range saturate instead of overflowing.
int ParseIntLenient(const std::string& text);

}  // namespace sv
