#pragma once
// The user's keyboard shortcuts in keys.dat (product data folder): loaded over the built-in
// table at start, saved when the shortcut editor is accepted.
#include "app/KeyTable.h"

#include <string>

namespace sv {

class Host;

// <product data folder>/keys.dat
std::string KeysFilePath();

// A missing or unreadable file leaves the table as it is. A wrong version byte is reported
// and loads nothing. Records of commands the menus do not have are skipped. False when
// nothing was applied.
bool LoadKeys(const std::string& path, KeyTable& table, Host& host);

// Writes every menu command's keys in menu order. A file that cannot be written is reported
// and keeps its previous contents.
bool SaveKeys(const std::string& path, const KeyTable& table, Host& host);

}  // namespace sv
