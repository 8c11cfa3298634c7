#pragma once
// The check for a newer version (command 6021): an HTTP request for the version file, the
// comparison with the own version and the two outcomes the user sees. Network failures and
// replies that are not a version file end the check silently.
#include <cstdint>
#include <optional>
#include <string>

namespace sv {

class LProgressTask;
class Settings;
class Workspace;

constexpr const char* kOwnVersion = "3.02";

struct UpdateServer {
    std::string host;
    std::uint16_t port = 80;
    std::string path;
    // Connect, send and each read.
    int budgetMs = 5000;
};

// "Settings" / "UpdateServer" (the maker's version server) and "UpdatePort" (80).
UpdateServer UpdateServerFromSettings(const Settings& settings);

// "3.10" as 310, exactly: digits, then at most two decimals counted (more are cut). Nothing
// when text does not start with a digit or the number is out of reach.
std::optional<int> ParseVersionHundredths(const std::string& text);

struct VersionFile {
    int version = 0;    // hundredths
    std::string info;   // the "info=" address, when any
};
// The body of a status 200 reply holding "version=" with a readable number.
std::optional<VersionFile> ParseVersionReply(const std::string& reply);
// Only an https address on the maker's site may be handed to the browser.
bool IsMakerAddress(const std::string& address);

// The whole reply, headers included, at most kMaxVersionReply bytes: 0 done, 1, 2.
constexpr std::size_t kMaxVersionReply = 65536;
int FetchVersionFile(const UpdateServer& server, LProgressTask& task, std::string& reply);

void CheckForUpdates(Workspace& ws, const UpdateServer& server);

}  // namespace sv
