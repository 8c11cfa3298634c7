#pragma once
// A settings scope kept by QSettings in INI format: the user's file
// (~/.config/Quillon Acoustics/Sonvela.conf) or the machine's (under $XDG_CONFIG_DIRS).
// Sections are INI groups; every value is text.
#include "platform/SettingsScope.h"

#include <QSettings>

#include <memory>

namespace sv {

class QtSettingsScope : public SettingsScope {
public:
    enum class Scope { User, Machine };
    explicit QtSettingsScope(Scope scope);
    // A scope kept in the given file (for tests).
    explicit QtSettingsScope(const QString& iniPath);

    std::optional<std::string> Get(const std::string& section, const std::string& name) const override;
    bool Set(const std::string& section, const std::string& name, const std::string& value) override;
    bool Remove(const std::string& section, const std::string& name) override;
    void Sync();
    QString FileName() const { return settings_->fileName(); }

private:
    static QString Key(const std::string& section, const std::string& name);
    std::unique_ptr<QSettings> settings_;
};

}  // namespace sv
