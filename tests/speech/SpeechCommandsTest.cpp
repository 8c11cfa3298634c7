#include "speech/SpeechCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/EditCommands.h"
#include "core/Workspace.h"
#include "formats/FormatCommands.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "speech/SpeechEngine.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace sv::test {
namespace {

const char kListing[] =
    "Pty Language       Age/Gender VoiceName          File                 Other Languages\n"
    " 5  af              --/M      Afrikaans          gmw/af               \n"
    " 5  fr-ch           --/M      French_(Switzerland) roa/fr-CH            (fr 8)\n"
    " 5  fr-fr           --/M      French_(France)    roa/fr               (fr 5)\n"
    "garbage\n";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Puts a folder first in PATH for the life of the object.
class PathPrefix {
public:
    explicit PathPrefix(const std::string& folder, bool only = false) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        std::string path = only ? folder : folder + ":" + old_;
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathPrefix() { ::setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

class SpeechTest : public ::testing::Test, protected TestWorkspace {
protected:
    SpeechTest() {
        RegisterEditCommands(registry);
        RegisterSpeechCommands(registry);
        InstallFormatServices(ws);
        oldTmp_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
    }
    ~SpeechTest() override {
        if (oldTmp_.empty()) ::unsetenv("TMPDIR");
        else ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    }
    LAudioDocument& Open(std::int32_t frames, std::uint8_t channels = 2) {
        std::vector<std::int32_t> samples(static_cast<std::size_t>(frames) * channels, 1600);
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeSound(store, samples, channels), "/music/take.wav");
        doc->modified = 0;
        ws.AddDocument(doc);
        return *doc;
    }
    // A stand-in engine: lists two voices, copies its standard input and arguments beside
    // itself and writes 0.1 s of tone, or does what body says instead.
    void InstallStub(const std::string& body = {}) {
        const std::string script = stubs.File("espeak-ng");
        std::ofstream out(script);
        out << "#!/bin/sh\n"
               "d=\"$(dirname \"$0\")\"\n"
               "case \"$1\" in --voices) printf ' 5  en  --/M  English gmw/en\\n 5  fr-fr  --/M  French roa/fr\\n'; exit 0;;"
               " --voices=mb) exit 0;; esac\n"
               "printf '%s\\n' \"$@\" > \"$d/args.txt\"\n"
               "cat > \"$d/stdin.txt\"\n"
            << (body.empty() ? "while [ \"$1\" != -w ]; do shift; done\n"
                               "sox -n -r 22050 -c 1 -b 16 \"$2\" synth 0.1 sine 440\n"
                             : body);
        out.close();
        ::chmod(script.c_str(), 0755);
    }
    void RunSpeech(const std::string& text, const std::string& voice = "0") {
        host.dialogs.push_back({true, {{"text", text}, {"voice", voice}}});
        ASSERT_TRUE(registry.Run(kCmdTextToSpeech, ws));
    }

    TempFolder tmp;
    TempFolder stubs;
    std::string oldTmp_;
};

TEST(SpeechVoiceList, ParsesTheEnginesListingInOrderWithSpacesForUnderscores) {
    std::vector<SpeechVoice> voices = ParseVoiceList(kListing);
    ASSERT_EQ(voices.size(), 3u);
    EXPECT_EQ(voices[0].name, "Afrikaans");
    EXPECT_EQ(voices[0].id, "gmw/af");
    EXPECT_EQ(voices[1].name, "French (Switzerland)");
    EXPECT_EQ(voices[2].id, "roa/fr");
}

TEST_F(SpeechTest, BonjourWithAFrenchVoiceIsInsertedAtTheCursorAndUndone) {
    if (!ProgramAvailable("espeak-ng")) GTEST_SKIP() << "espeak-ng is not installed";
    LAudioDocument& doc = Open(1000);
    doc.cursor = 500;
    RunSpeech("bonjour");
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "TTSInDlg");
    EXPECT_EQ(host.shownDialogs[0].caption, "Synthétiser Voix");
    EXPECT_NE(host.shownDialogs[0].fields[1].choices.at(0).find("French"), std::string::npos);
    const std::int32_t added = doc.Length() - 1000;
    EXPECT_GE(added, 44100 / 5);
    EXPECT_LE(added, 3 * 44100);
    // Spoken sound, not silence, landed after the cursor; what was there follows it.
    std::vector<std::int32_t> spoken = ReadFrames(doc.sound, 500, added);
    std::int32_t peak = 0;
    for (std::int32_t s : spoken) peak = std::max(peak, std::abs(s));
    EXPECT_GT(peak, 0x7fff0 / 20);
    EXPECT_EQ(ReadFrames(doc.sound, 500 + added, 1)[0], 1600);
    EXPECT_EQ(doc.viewStart, 0);
    EXPECT_EQ(doc.viewEnd, doc.Length());
    EXPECT_TRUE(tmp.List().empty());

    UndoCommand(ws);
    EXPECT_EQ(doc.Length(), 1000);
}

TEST_F(SpeechTest, ASelectionIsReplacedAndTheTextOfferedAgain) {
    InstallStub();
    PathPrefix path(stubs.path());
    LAudioDocument& doc = Open(1000, 1);
    doc.selectionStart = 100;
    doc.selectionEnd = 600;
    RunSpeech("première phrase");
    // 0.1 s at 22,050 Hz becomes 4,410 frames at 44,100 Hz.
    EXPECT_EQ(doc.Length(), 1000 - 500 + 4410);
    EXPECT_EQ(doc.selectionStart, 100);
    EXPECT_EQ(doc.selectionEnd, 100 + 4410);
    EXPECT_EQ(Slurp(stubs.File("stdin.txt")), "première phrase");

    host.dialogs.push_back({false, {}});
    registry.Run(kCmdTextToSpeech, ws);
    ASSERT_EQ(host.shownDialogs.size(), 2u);
    EXPECT_EQ(host.shownDialogs[1].Value("text"), "première phrase");
}

TEST_F(SpeechTest, TextReachesTheEngineOnlyOnItsStandardInput) {
    InstallStub();
    PathPrefix path(stubs.path());
    Open(1000);
    const std::string text = "-v en $(touch x) ; touch y";
    RunSpeech(text);
    EXPECT_EQ(Slurp(stubs.File("stdin.txt")), text);
    const std::string args = Slurp(stubs.File("args.txt"));
    EXPECT_EQ(args.find("touch"), std::string::npos);
    EXPECT_FALSE(FileExists("x"));
    EXPECT_FALSE(FileExists(stubs.File("x")));
    EXPECT_EQ(args.rfind("-b\n1\n-v\nroa/fr\n", 0), 0u);  // French first
}

TEST_F(SpeechTest, AStoredVoicePastTheEndOfTheListPicksTheFirst) {
    InstallStub();
    PathPrefix path(stubs.path());
    Open(1000);
    settings.WriteIntUserSetting("Settings", "TextToSpeechVoice", 7);
    RunSpeech("bonjour", "7");
    EXPECT_EQ(host.shownDialogs.at(0).Value("voice"), "0");
    EXPECT_NE(Slurp(stubs.File("args.txt")).find("roa/fr"), std::string::npos);
    EXPECT_EQ(settings.ReadIntSetting("Settings", "TextToSpeechVoice", -1), 0);
}

TEST_F(SpeechTest, AFailingOrCancelledEngineLeavesTheDocumentUnchanged) {
    LAudioDocument& doc = Open(1000);
    {
        InstallStub("echo 'voix inconnue' >&2; exit 1\n");
        PathPrefix path(stubs.path());
        RunSpeech("bonjour");
        EXPECT_EQ(doc.Length(), 1000);
        ASSERT_EQ(host.progressErrors.size(), 1u);
        EXPECT_NE(host.progressErrors[0].find("voix inconnue"), std::string::npos);
    }
    {
        InstallStub("exec sleep 30\n");
        PathPrefix path(stubs.path());
        host.cancelAtPump = 3;
        RunSpeech("bonjour");
        EXPECT_EQ(doc.Length(), 1000);
    }
    host.dialogs.push_back({false, {}});
    registry.Run(kCmdTextToSpeech, ws);
    EXPECT_EQ(doc.Length(), 1000);
    EXPECT_EQ(doc.modified, 0);
    EXPECT_TRUE(tmp.List().empty());
}

TEST_F(SpeechTest, WithoutAnEngineTheListIsEmptyAndOkSaysSo) {
    PathPrefix path(stubs.path(), true);
    LAudioDocument& doc = Open(1000);
    RunSpeech("bonjour");
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_TRUE(host.shownDialogs[0].fields[1].choices.empty());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("Aucun Moteur de Synthèse de Parole Installé.\r\n\r\n", 0), 0u);
    EXPECT_EQ(doc.Length(), 1000);
}

}  // namespace
}  // namespace sv::test
