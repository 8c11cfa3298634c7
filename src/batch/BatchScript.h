#pragma once
// Batch scripts (".svb"): a version byte 0, then entries of row (unsigned 32-bit), settings
// length (unsigned 32-bit) and that many settings bytes, little-endian, to the end of the file.
#include "batch/BatchRows.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class Host;

// A settings length beyond any row's needs (the curves' 129 bytes) marks a damaged file
// rather than a reason to allocate.
constexpr std::uint32_t kMaxBatchSettingsLength = 4096;

enum class ScriptParse { Ok, BadVersion, Damaged };

// Reads the bytes of a script into list (left empty unless Ok). A file of the version byte
// alone is an empty list. An entry whose row is not one of the twenty, whose length is
// implausible, whose bytes are cut short or whose settings are outside the dialogs' limits
// makes the file damaged; so does a header cut inside its length fields.
ScriptParse ParseBatchScript(const std::vector<std::uint8_t>& bytes, std::vector<LBatchEntry>& list);
std::vector<std::uint8_t> BatchScriptBytes(const std::vector<LBatchEntry>& list);

// Loads path; on failure shows "Ce fichier ne peut être lu avec cette version de Sonvela ou
// est peut être endommagé." (caption "Erreur Fichier", error icon) and leaves list empty.
bool LoadBatchScript(const std::string& path, std::vector<LBatchEntry>& list, Host& host);
// The same without a Host: the message in *error.
bool ReadBatchScript(const std::string& path, std::vector<LBatchEntry>& list, std::string* error);
// Writes the script anew through a temporary file beside it; a failure shows "Sonvela ne
// parvient pas à ouvrir ce fichier. ..." (caption "Erreur Fichier") and leaves any old file.
bool SaveBatchScript(const std::string& path, const std::vector<LBatchEntry>& list, Host& host);

extern const char* const kScriptDamagedText;

}  // namespace sv
