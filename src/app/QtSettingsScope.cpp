#include "app/QtSettingsScope.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace sv {

namespace {

// Qt resolves its scope folders once per process and takes the machine folder from its build
// configuration; the files are placed here from the environment as it is now instead.
QString ScopeFile(QtSettingsScope::Scope scope) {
    QString folder;
    if (scope == QtSettingsScope::Scope::User) {
        folder = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (folder.isEmpty() || !folder.startsWith('/')) folder = QDir::homePath() + "/.config";
    } else {
        // The first folder that holds the file, else the first folder (where an installer writes).
        QStringList dirs;
        for (const QString& d : qEnvironmentVariable("XDG_CONFIG_DIRS").split(':', Qt::SkipEmptyParts))
            if (d.startsWith('/')) dirs << d;
        if (dirs.isEmpty()) dirs << "/etc/xdg";
        folder = dirs.front();
        for (const QString& d : dirs) {
            if (QFileInfo::exists(d + "/Quillon Acoustics/Sonvela.conf")) {
                folder = d;
                break;
            }
        }
    }
    return folder + "/Quillon Acoustics/Sonvela.conf";
}

}  // namespace

QtSettingsScope::QtSettingsScope(Scope scope)
    : settings_(std::make_unique<QSettings>(ScopeFile(scope), QSettings::IniFormat)) {
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
    QVariant value = settings_->value(key);
    // An unquoted comma in a hand-edited file makes a list; the text is what was written.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',').toStdString();
    return value.toString().toStdString();
}

bool QtSettingsScope::Set(const std::string& section, const std::string& name, const std::string& value) {
    if (!settings_->isWritable()) return false;
    const QString key = Key(section, name);
    const QString text = QString::fromStdString(value);
    // Rewriting the file (and waiting for the disk) to store what it already holds is time
    // lost at every start and exit.
    if (settings_->contains(key) && settings_->value(key).toString() == text) return true;
    settings_->setValue(key, text);
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
