#pragma once
// One row of the format table: what the open and save paths do for a set of extensions. Each
// format defines its row beside its reader or writer; FileFormatTable lists them in lookup
// order. A row may serve only one side: its open or save members are then left empty.
#include "core/AudioReader.h"
#include "core/AudioWriter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sv {

class Host;
class LProgressTask;
class Settings;

struct OpenRequest {
    const std::string& path;
    const std::string& extension;  // lower case, with its dot
    bool* askRaw;                   // the headerless formats ask their settings once per run
    Host& host;
    LProgressTask* task;  // the running task, or null: then a decoder runs under its own dialog
    Settings* settings;   // null: the formats' defaults, nothing stored
};

struct SaveRequest {
    const std::string& path;
    std::int32_t rate;
    std::uint8_t channels;
    Host* host;          // set for the options dialogs
    Settings* settings;  // null: the formats' defaults, nothing stored
    LProgressTask* task = nullptr;  // the save's task, polled by writers that wait on programs
    // The name the file takes once complete, when path is a stand-in written first; null: path.
    const std::string* target = nullptr;
};

// What a row's own open routine hands back: an open result code and, on failure, the message
// due (the dispatcher shows it subject to the show-errors flag; empty for none).
struct OpenOutcome {
    int result = 0;
    std::string message;
};

struct FileFormatRow {
    std::vector<std::string> extensions;

    // Open side. A direct reader is made by openReader and checked by the dispatcher, which
    // reports a failing one with readerMessage; a row with its own steps (settings dialogs,
    // decoders, temporary files) gives open instead.
    Ref<LAudioReader> (*openReader)(const std::string& path) = nullptr;
    std::string (*readerMessage)(int errorCode, const std::string& path) = nullptr;
    OpenOutcome (*open)(Ref<LAudioReader>& out, const OpenRequest& request) = nullptr;
    const char* progressText = nullptr;

    // Save side. The writer is given the target's rate and channels and declares, through its
    // own fields, the rate and channels it takes: the save path converts to those.
    Ref<LAudioWriter> (*createWriter)(const SaveRequest& request) = nullptr;
    // The save-options dialog; true when confirmed. Without one, confirmedWithoutOptions says.
    bool (*saveOptions)(const SaveRequest& request) = nullptr;
    bool confirmedWithoutOptions = false;
    // Null for formats that need no encoder program; otherwise whether the program is present
    // (request.host, when set, is told what is missing).
    bool (*encoderAvailable)(const SaveRequest& request) = nullptr;
    bool writesTags = false;
    // Asks before a save replaces files other than its target (request.host set); false
    // abandons the save.
    bool (*confirmReplace)(const SaveRequest& request) = nullptr;

    bool Serves(const std::string& extension) const;
    bool Opens() const { return openReader != nullptr || open != nullptr; }
    bool Saves() const {
        return createWriter != nullptr || saveOptions != nullptr || confirmedWithoutOptions || encoderAvailable != nullptr;
    }
};

// The messages several rows share.
std::string CannotReadMessage(const std::string& path);  // "... Check it exists and you have read access."
std::string CorruptFileMessage(const std::string& path);  // "... because it is corrupt."
std::string FormatNotSupportedMessage(const std::string& path);
std::string CannotCreateMessage(const std::string& path);  // "Incapable de créer le fichier ..."
// The reader message of rows whose failures all read "Check it exists ...".
std::string AnyErrorCannotRead(int errorCode, const std::string& path);
// 4 "Check it exists ...", any other code "... because it is corrupt.".
std::string CannotReadOrCorrupt(int errorCode, const std::string& path);

// Runs work under task when one is running, else under a progress dialog of its own.
int RunUnderTask(LProgressTask* task, Host& host, const std::function<int(LProgressTask&)>& work);

}  // namespace sv
