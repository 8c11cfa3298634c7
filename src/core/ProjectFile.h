#pragma once
// The project file ".svp": every open document with its path, positions, bookmarks and whole
// sound, and every region with its sound. Written as version 2; versions 1 and 2 are read.
// Counts are single bytes, so a project holds at most 255 documents and 255 regions.
#include "core/AudioDocument.h"
#include "core/RegionList.h"

#include <string>
#include <vector>

namespace sv {

class BlockStore;
class Host;
class LProgressTask;

constexpr std::uint8_t kProjectVersion = 2;
constexpr std::size_t kMaxProjectEntries = 255;
constexpr std::int32_t kProjectBlockFrames = 8192;

struct ProjectContents {
    std::vector<Ref<LAudioDocument>> documents;
    std::vector<LRegion> regions;
};

// Writes a complete new file beside path and puts it in place only once all of it is written;
// only then are the documents' modified flags cleared. A cancelled or failed save leaves any
// previous file at path as it was. 0 saved, 1 cancelled, 2 failed (after a message).
int SaveProjectFile(LProgressTask& task, const std::string& path, const std::vector<Ref<LAudioDocument>>& documents,
                    const RegionList& regions);

// Reads path into out: documents not modified, sounds in new blocks of store. On 1 or 2, out
// keeps the entries read before the first incomplete or invalid one. A version other than 1
// and 2 is reported through host ("Erreur Fichier"); other failures are left to the caller.
int LoadProjectFile(LProgressTask& task, Host& host, BlockStore& store, const std::string& path, ProjectContents& out);

// The message of an unreadable version.
std::string ProjectVersionMessage();

}  // namespace sv
