#pragma once
// One place where settings live (the user's file or the machine's). Every value is text,
// addressed by a section and a name. app/ backs this with QSettings; tests with memory.
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace sv {

class SettingsScope {
public:
    virtual ~SettingsScope() = default;
    virtual std::optional<std::string> Get(const std::string& section, const std::string& name) const = 0;
    // False when the scope cannot be written (a machine file without permission).
    virtual bool Set(const std::string& section, const std::string& name, const std::string& value) = 0;
    virtual bool Remove(const std::string& section, const std::string& name) = 0;
};

class MemorySettingsScope : public SettingsScope {
public:
    explicit MemorySettingsScope(bool writable = true) : writable_(writable) {}
    std::optional<std::string> Get(const std::string& section, const std::string& name) const override;
    bool Set(const std::string& section, const std::string& name, const std::string& value) override;
    bool Remove(const std::string& section, const std::string& name) override;
    // Fills a value whatever the writability, as an installer would.
    void Preset(const std::string& section, const std::string& name, const std::string& value);

private:
    bool writable_;
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace sv
