#include "app/KeysFile.h"

#include "app/KeyRecords.h"
#include "app/MenuTree.h"
#include "core/Host.h"
#include "platform/Paths.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace sv {

namespace {
const char* const kCaption = "Erreur Fichier";
}

std::string KeysFilePath() { return JoinPath(ProductDataFolder(), "keys.dat"); }

bool LoadKeys(const std::string& path, KeyTable& table, Host& host) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    KeyRecordsResult parsed = ParseKeyRecords(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!parsed.versionOk) {
        host.MessageBox("Ce fichier ne peut être lu avec cette version de Sonvela ou est peut être endommagé.",
                        kCaption, MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    for (const KeyRecord& r : parsed.records) {
        if (r.command > 0xFFFF || !FindMenuItem(static_cast<int>(r.command))) continue;
        std::vector<std::uint32_t> keys;
        for (std::uint32_t code : r.keys)
            if (code & 0xFFFF) keys.push_back(code);
        table.SetKeys(static_cast<int>(r.command), keys);
    }
    return true;
}

bool SaveKeys(const std::string& path, const KeyTable& table, Host& host) {
    std::vector<KeyRecord> records;
    for (const MenuNode* item : AllCommandItems())
        records.push_back({static_cast<std::uint32_t>(item->id), table.KeysOf(item->id)});
    const std::string bytes = EncodeKeyRecords(records);
    // Written beside the file and renamed over it, so a failed write keeps the old shortcuts.
    const std::string temp = path + ".tmp";
    bool ok = false;
    if (std::FILE* f = std::fopen(temp.c_str(), "wb")) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        ok = std::fclose(f) == 0 && ok;
        ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
        if (!ok) std::remove(temp.c_str());
    }
    if (!ok) {
        host.MessageBox("Sonvela ne parvient pas à ouvrir ce fichier. Le fichier n'existe pas ou est peut être "
                        "endommagé.",
                        kCaption, MsgIcon::Information, MsgButtons::Ok);
    }
    return ok;
}

}  // namespace sv
