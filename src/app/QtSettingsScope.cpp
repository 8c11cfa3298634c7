#include "app/QtSettingsScope.h"

namespace sv {

QtSettingsScope::QtSettingsScope(Scope scope)
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat,
                                            scope == Scope::User ? QSettings::UserScope : QSettings::SystemScope,
                                            "Quillon Acoustics", "Sonvela")) {
    // Each scope answers for itself; the read order lives in Settings.
    settings_->setFallbacksEnabled(false);
}

QtSettingsScope::QtSettingsScope(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QString QtSettingsScope::Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(name);
}

std::optional<std::string> QtSettingsScope::Get(const std::string& section, const std::string& name) const {
    QString key = Key(section, name);
    if (!settings_->contains(key)) return std::nullopt;
    return settings_->value(key).toString().toStdString();
}

bool QtSettingsScope::Set(const std::string& section, const std::string& name, const std::string& value) {
    if (!settings_->isWritable()) return false;
    settings_->setValue(Key(section, name), QString::fromStdString(value));
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool QtSettingsScope::Remove(const std::string& section, const std::string& name) {
    if (!settings_->isWritable()) return false;
    QString key = Key(section, name);
    bool had = settings_->contains(key);
    settings_->remove(key);
    settings_->sync();
    return had;
}

void QtSettingsScope::Sync() { settings_->sync(); }

}  // namespace sv
