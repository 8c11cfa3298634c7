#include "net/PasswordStore.h"

#include "platform/Paths.h"
#include "platform/SharedLibrary.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

namespace {

std::string ToHex(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

std::optional<std::string> FromHex(const std::string& hex) {
    if (hex.size() % 2) return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> ReadEntries(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key, password;
        if (!(fields >> key >> password)) continue;
        auto k = FromHex(key);
        auto p = FromHex(password);
        if (k && p) entries.emplace_back(*k, *p);
    }
    return entries;
}

// The keyring library, opened when a password store is first asked for; null when it cannot
// be, and the file alone then keeps the passwords.
struct SecretCalls {
    decltype(&secret_password_store_sync) store = nullptr;
    decltype(&secret_password_lookup_sync) lookup = nullptr;
    decltype(&secret_password_free) password_free = nullptr;
    decltype(&secret_password_clear_sync) clear = nullptr;
    decltype(&secret_service_get_sync) service_get = nullptr;
    decltype(&g_error_free) error_free = nullptr;
    decltype(&g_object_unref) object_unref = nullptr;
};

const SecretCalls* Secret() {
    static const SecretCalls* calls = [] {
        static SecretCalls c;
        static SharedLibrary lib({"libsecret-1.so.0"});
        lib.Bind(c.store, "secret_password_store_sync");
        lib.Bind(c.lookup, "secret_password_lookup_sync");
        lib.Bind(c.password_free, "secret_password_free");
        lib.Bind(c.clear, "secret_password_clear_sync");
        lib.Bind(c.service_get, "secret_service_get_sync");
        lib.Bind(c.error_free, "g_error_free");
        lib.Bind(c.object_unref, "g_object_unref");
        return lib.Complete() ? &c : nullptr;
    }();
    return calls;
}

const SecretSchema* Schema() {
    static const SecretSchema schema = {"com.quillonacoustics.Sonvela.Password",
                                        SECRET_SCHEMA_NONE,
                                        {{"key", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &schema;
}

// The keyring, with the file behind it for a keyring that refuses a change.
class KeyringPasswordStore : public PasswordStore {
public:
    explicit KeyringPasswordStore(std::string filePath) : file_(std::move(filePath)) {}

    bool Store(const std::string& key, const std::string& password) override {
        GError* error = nullptr;
        std::string label = "Sonvela: " + key;
        gboolean ok = Secret()->store(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                                 nullptr, &error, "key", key.c_str(), nullptr);
        if (error) Secret()->error_free(error);
        if (!ok) return file_.Store(key, password);
        file_.Remove(key);
        return true;
    }

    std::optional<std::string> Lookup(const std::string& key) override {
        GError* error = nullptr;
        gchar* found = Secret()->lookup(Schema(), nullptr, &error, "key", key.c_str(), nullptr);
        if (error) Secret()->error_free(error);
        if (found) {
            std::string password = found;
            Secret()->password_free(found);
            return password;
        }
        return file_.Lookup(key);
    }

    bool Remove(const std::string& key) override {
        GError* error = nullptr;
        Secret()->clear(Schema(), nullptr, &error, "key", key.c_str(), nullptr);
        if (error) Secret()->error_free(error);
        return file_.Remove(key);
    }

private:
    FilePasswordStore file_;
};

bool KeyringAnswers() {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!bus || !*bus || !Secret()) return false;
    GError* error = nullptr;
    SecretService* service = Secret()->service_get(SECRET_SERVICE_NONE, nullptr, &error);
    if (error) Secret()->error_free(error);
    if (!service) return false;
    Secret()->object_unref(service);
    return true;
}

}  // namespace

std::optional<std::string> FilePasswordStore::Lookup(const std::string& key) {
    for (const auto& [k, p] : ReadEntries(path_))
        if (k == key) return p;
    return std::nullopt;
}

bool FilePasswordStore::Store(const std::string& key, const std::string& password) { return Rewrite(key, password); }

bool FilePasswordStore::Remove(const std::string& key) {
    if (!FileExists(path_)) return true;
    return Rewrite(key, std::nullopt);
}

bool FilePasswordStore::Rewrite(const std::string& key, const std::optional<std::string>& password) {
    std::string text;
    for (const auto& [k, p] : ReadEntries(path_))
        if (k != key) text += ToHex(k) + " " + ToHex(p) + "\n";
    if (password) text += ToHex(key) + " " + ToHex(*password) + "\n";
    // mkstemp makes the file 0600 before a byte is in it; the rename replaces the old one whole.
    std::string temp = path_ + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0600) == 0;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) ok = false;
        else written += static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(name.data(), path_.c_str()) == 0;
    if (!ok) ::unlink(name.data());
    return ok;
}

std::unique_ptr<PasswordStore> OpenPasswordStore(const std::string& folder) {
    EnsureFolder(folder);
    std::string file = JoinPath(folder, "passwords");
    if (KeyringAnswers()) return std::make_unique<KeyringPasswordStore>(file);
    return std::make_unique<FilePasswordStore>(file);
}

std::string SmtpPasswordKey(const std::string& host, const std::string& user) { return "smtp:" + host + ":" + user; }
std::string FtpPasswordKey(const std::string& server, const std::string& user) { return "ftp:" + server + ":" + user; }

}  // namespace sv
