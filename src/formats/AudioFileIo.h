#pragma once
// The open and save paths that every file goes through: choose a reader or writer by
// extension (the open and save tables), convert rate and channels, pump samples between them
// under the progress dialog, and replace a saved file only once the new one is complete.
#include "core/AudioReader.h"
#include "core/AudioWriter.h"
#include "core/AudioDocument.h"
#include "formats/FileFormatRow.h"

#include <cstdint>
#include <string>

namespace sv {

class Host;
class LProgressTask;
class Settings;
struct LTagSet;
class Workspace;

enum OpenResult { kOpenDone = 0, kOpenCancelled = 1, kOpenFailed = 2 };

// The reader for path, chosen by its extension (LowerExtension). On failure the row's message
// is shown (stop icon, no caption) when *showErrors is set, which then clears it, so that a run
// of opens reports only its first failure. *askRaw, when set, makes the headerless formats ask
// their settings first and is cleared. Decoders run under task when one is running, else under
// their own progress dialog. On results other than 0, out may hold an LErrorReader.
// settings holds the raw formats' settings; without it they use their defaults.
int OpenAudioFile(Ref<LAudioReader>& out, const std::string& path, bool* askRaw, bool* showErrors, Host& host,
                  LProgressTask* task = nullptr, Settings* settings = nullptr);

// Loads path into doc's sound under the progress dialog ("Chargement du fichier %s",
// "Veuillez patienter..."): the reader is pumped into a new block with the reader's rate and
// channels. On any failure the document is left exactly as it was.
int LoadFileIntoDocument(Workspace& ws, LAudioDocument& doc, const std::string& path, bool* askRaw,
                         bool* showErrors);

// A new document from a file: title the file name, path set, tags read, not modified. Null
// when the file could not be loaded.
Ref<LAudioDocument> OpenDocumentFromFile(Workspace& ws, const std::string& path, bool* askRaw, bool* showErrors);

// Converts doc's sound to rate and channels under the progress dialog ("Converting rate or
// channels..."); nothing happens when it already has them. 0 done, 1 cancelled, 2 failed; the
// document changes only on 0.
int ConvertRateOrChannels(Workspace& ws, LAudioDocument& doc, std::int32_t rate, std::uint8_t channels);

// Copies the reader from its position to its end into the writer in pieces of 8192 frames,
// polling the task for Cancel: 0 done, 1 cancelled, 2 failed (a reader or writer in error, or
// a write that failed on the way). A source whose full scale exceeds 0x7fff0 passes through the
// output limiter.
int PumpSamples(LProgressTask& task, const Ref<LAudioReader>& reader, const Ref<LAudioWriter>& writer);

struct SaveParameters {
    std::string path;
    std::int32_t sampleRate = 44100;
    std::uint8_t channels = 1;
    bool showOptions = false;
    // Written into the new file before it takes the target's place; null for none.
    LTagSet* tags = nullptr;
    // The settings of formats that have some (raw); null: their defaults. SaveDocumentAs
    // fills it from the workspace.
    Settings* settings = nullptr;
};

// The writer of the save table for path; an LErrorWriter for an extension no writer serves.
Ref<LAudioWriter> CreateAudioWriter(const std::string& path, std::int32_t rate, std::uint8_t channels,
                                    Settings* settings = nullptr);

// The options dialog of the save table for extension (with its dot); true when confirmed.
// Extensions without options count as confirmed only for the formats that have no dialog.
bool ShowSaveOptions(const std::string& extension, Host& host, std::int32_t rate, std::uint8_t channels,
                     Settings* settings = nullptr);

// True when the extension's writer needs no encoder program, or its program is present; host,
// when given, is told what is missing.
bool EncoderAvailable(const std::string& extension, Host* host = nullptr, Settings* settings = nullptr);

// Writes doc's sound (converted to params' rate and channels) to params.path: 0 saved,
// 1 cancelled, 2 failed (after a message). The samples and tags go to a temporary file beside
// the target, which replaces the target only when all of it succeeded; otherwise the target
// is left as it was and the temporary file removed.
int SaveDocumentAs(Workspace& ws, LAudioDocument& doc, const SaveParameters& params);
// The same for a sound, under a running task (no messages of its own beyond the task's).
int SaveSoundAs(LProgressTask& task, Host& host, const LAudioData& sound, const SaveParameters& params);

}  // namespace sv
