// Any bytes opened as a project file: a result of 0 or 2, and what was read is sane.
#include "FuzzFile.h"
#include "core/BlockReader.h"
#include "core/BlockStore.h"
#include "core/HeadlessHost.h"
#include "core/ProgressTask.h"
#include "core/ProjectFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string WorkingFolder() {
    static std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string f = std::string(tmp && *tmp ? tmp : "/tmp") + "/sonvela_fuzz_blocks_" + std::to_string(getpid());
        mkdir(f.c_str(), 0700);
        return f;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".svp");
    static std::FILE* sink = std::fopen("/dev/null", "w");
    sv::HeadlessHost host(sink);
    sv::BlockStore store(WorkingFolder());
    sv::ProjectContents out;
    sv::FunctionTask task("Chargement du Projet", [](sv::LProgressTask&) { return 0; });
    int r = sv::LoadProjectFile(task, host, store, path, out);
    if (r != 0 && r != 2) std::abort();
    for (const auto& doc : out.documents) {
        if (doc->sound.channels == 0 || doc->sound.sampleRate <= 0) std::abort();
        if (doc->cursor < 0 || doc->cursor > doc->Length() || doc->bookmarks.size() > 255) std::abort();
        if (doc->path.size() > 259) std::abort();
    }
    for (const auto& region : out.regions)
        if (region.name.size() > 259 || region.title.size() > 259) std::abort();
    return 0;
}
