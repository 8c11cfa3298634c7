#pragma once
// The CDDB lookup: hello, query, the match (200, or a list under 210/211), read, quit. It
// fills the disc record's album, artist, category, year, extended data and track titles; a
// lookup that fails leaves the default titles.
#include "cd/DiscRecord.h"

#include <cstdint>
#include <string>

namespace sv {

class Host;
class LProgressTask;
class Settings;

struct CddbServer {
    std::string host;
    std::uint16_t port = 8880;
    // Every wait of the conversation (connect, each line) is bounded by this.
    int budgetMs = 10000;
};

// "Settings" / "CddbServer" (default: a public CDDB-protocol server) and "CddbPort" (8880).
CddbServer CddbServerFromSettings(const Settings& settings);

enum class CddbOutcome { Found, NoMatch, Cancelled, Failed };

// Runs under task. An inexact answer with several matches lets the user pick one through the
// host (the first is proposed); "No CDDB match found" is shown when there is none.
CddbOutcome CddbLookup(CdDiscRecord& disc, const CddbServer& server, LProgressTask& task, Host& host);

}  // namespace sv
