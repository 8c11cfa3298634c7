#pragma once
// Where the mail and FTP passwords live: the desktop keyring (Secret Service, through libsecret)
// when one answers, else a file of mode 0600 in the product's data folder. Never the settings
// file. Keys name the service, host and user ("smtp:mail.example.fr:jean").
#include <memory>
#include <optional>
#include <string>

namespace sv {

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    virtual bool Store(const std::string& key, const std::string& password) = 0;
    virtual std::optional<std::string> Lookup(const std::string& key) = 0;
    virtual bool Remove(const std::string& key) = 0;
};

// A file of "hex(key) hex(password)" lines, replaced whole on each change, mode 0600.
class FilePasswordStore : public PasswordStore {
public:
    explicit FilePasswordStore(std::string path) : path_(std::move(path)) {}
    bool Store(const std::string& key, const std::string& password) override;
    std::optional<std::string> Lookup(const std::string& key) override;
    bool Remove(const std::string& key) override;
    const std::string& Path() const { return path_; }

private:
    bool Rewrite(const std::string& key, const std::optional<std::string>& password);
    std::string path_;
};

// The keyring when a session bus and a Secret Service are there, else the file in folder.
std::unique_ptr<PasswordStore> OpenPasswordStore(const std::string& folder);

std::string SmtpPasswordKey(const std::string& host, const std::string& user);
std::string FtpPasswordKey(const std::string& server, const std::string& user);

}  // namespace sv
