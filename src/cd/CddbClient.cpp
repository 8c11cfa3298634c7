#include "cd/CddbClient.h"

#include "cd/CddbEntry.h"
#include "cd/DiscId.h"
#include "core/DialogSpec.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "net/LineSocket.h"
#include "platform/Settings.h"

namespace sv {

namespace {

constexpr const char* kDefaultServer = "gnudb.gnudb.org";

class Conversation {
public:
    Conversation(const CddbServer& server, LProgressTask& task)
        : server_(server), cancel_([&task] { return task.Pump(); }) {}

    // Each step: 0 done, 1 cancelled, 2 failed.
    int Connect() { return socket_.Connect(server_.host, server_.port, server_.budgetMs, cancel_); }
    int Send(const std::string& text) { return socket_.Send(text, server_.budgetMs, cancel_); }
    int Read(std::string& line) { return socket_.ReadLine(line, server_.budgetMs, cancel_); }
    // Sends text and reads the reply line; fails unless the reply is 2xx.
    int Ask(const std::string& text, std::string& reply) {
        int r = Send(text);
        if (r == kSocketDone) r = Read(reply);
        if (r == kSocketDone && CddbReplyCode(reply) / 100 != 2) r = kSocketFailed;
        return r;
    }

private:
    const CddbServer& server_;
    CancelCheck cancel_;
    LineSocket socket_;
};

CddbOutcome OutcomeOf(int step) { return step == kSocketCancelled ? CddbOutcome::Cancelled : CddbOutcome::Failed; }

// The user's pick among several matches; -1 when the dialog was cancelled.
int ChooseMatch(Host& host, const std::vector<CddbMatch>& matches) {
    if (matches.size() == 1) return 0;
    DialogSpec spec;
    spec.resource = "CddbMatches";
    spec.caption = "Sonvela";
    std::vector<std::string> choices;
    for (const CddbMatch& m : matches) choices.push_back(m.title + " (" + m.category + ")");
    spec.fields.push_back({"prompt", "Plusieurs disques correspondent dans la base CDDB :", DialogField::Kind::Label,
                           "", {}});
    spec.fields.push_back({"match", "", DialogField::Kind::Choice, "0", choices});
    if (!host.RunDialog(spec)) return -1;
    int chosen = spec.IntValue("match");
    return chosen >= 0 && chosen < static_cast<int>(matches.size()) ? chosen : 0;
}

}  // namespace

CddbServer CddbServerFromSettings(const Settings& settings) {
    CddbServer server;
    server.host = settings.ReadUserSetting("Settings", "CddbServer", kDefaultServer);
    if (server.host.empty()) server.host = kDefaultServer;
    int port = settings.ReadIntSetting("Settings", "CddbPort", 8880);
    server.port = static_cast<std::uint16_t>(port > 0 && port < 65536 ? port : 8880);
    return server;
}

CddbOutcome CddbLookup(CdDiscRecord& disc, const CddbServer& server, LProgressTask& task, Host& host) {
    if (disc.tracks.empty()) return CddbOutcome::Failed;
    task.SetText(0, "Connected to freedb server");
    task.SetText(1, server.host);
    Conversation talk(server, task);
    int step = talk.Connect();
    if (step != kSocketDone) return OutcomeOf(step);

    std::string line;
    step = talk.Read(line);
    if (step != kSocketDone) return OutcomeOf(step);
    if (CddbReplyCode(line) / 100 != 2) return CddbOutcome::Failed;
    step = talk.Ask("cddb hello undef localhost Sonvela 3.02\n", line);
    if (step != kSocketDone) return OutcomeOf(step);

    step = talk.Ask(CddbQueryLine(disc), line);
    if (step != kSocketDone) return OutcomeOf(step);
    if (line.size() <= 3) return CddbOutcome::Failed;
    const int code = CddbReplyCode(line);
    if (code == 202) {
        host.MessageBox("No CDDB match found", "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return CddbOutcome::NoMatch;
    }
    std::vector<CddbMatch> matches;
    if (code == 210 || code == 211) {
        // The matches come one a line, up to a line of ".".
        for (;;) {
            step = talk.Read(line);
            if (step != kSocketDone) return OutcomeOf(step);
            if (line.rfind(".", 0) == 0) break;
            if (auto match = ParseCddbMatch(line)) matches.push_back(*match);
        }
    } else if (auto match = ParseCddbMatch(line.substr(4))) {
        matches.push_back(*match);
    }
    if (matches.empty()) return CddbOutcome::Failed;
    int chosen = ChooseMatch(host, matches);
    if (chosen < 0) return CddbOutcome::Cancelled;
    const CddbMatch& match = matches[static_cast<std::size_t>(chosen)];
    disc.matches = matches;
    disc.category = match.category;
    // An exact answer names the disc by the identifier computed here.
    const std::string discId = code == 200 ? CddbDiscIdText(disc) : match.discId;

    step = talk.Send("cddb read " + match.category + " " + discId + "\n");
    do {
        if (step == kSocketDone) step = talk.Read(line);
    } while (step == kSocketDone && line.rfind(".", 0) == 0);
    if (step != kSocketDone) return OutcomeOf(step);
    if (CddbReplyCode(line) / 100 != 2) return CddbOutcome::Failed;
    CddbEntryParser entry(disc);
    for (;;) {
        step = talk.Read(line);
        if (step != kSocketDone) {
            entry.Finish();
            return OutcomeOf(step);
        }
        if (line.rfind(".", 0) == 0) break;
        entry.Feed(line);
    }
    entry.Finish();
    talk.Send("cddb quit\n");
    return CddbOutcome::Found;
}

}  // namespace sv
