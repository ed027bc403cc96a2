// The file operations the logbook needs that differ between systems.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fennmere {

// Whether path is a folder itself, not a symbolic link (on Windows: any
// reparse point) to one.
bool IsRealFolder(const std::string& path);

// Gives the name of a new file from the names of the files in its folder.
using CNewFileName = std::function<std::string(const std::vector<std::string>& names)>;

// Writes bytes as a new file, readable by the user alone (0600), in the
// folder name inside parent. parent and any missing parents are made, and
// so is the folder; a folder made here is the user's alone (0700), one that
// exists keeps its permissions, and one that is a symbolic link is refused.
//
// Every writer, thread or process, holds the folder's lock while it writes
// and flushes a temporary file, lists the folder, asks newName for the name
// and puts the file in place: the names newName sees are those of every
// writer that finished, and the name it gives is taken by no writer
// meanwhile. A temporary file found under the lock is one a killed writer
// left; it is removed.
//
// Returns false with error set when nothing was written; otherwise sets
// path to the new file and warning to what is amiss (a folder other users
// can write to), empty when nothing is.
bool WriteInPrivateFolder(const std::string& parent, const std::string& name, std::string_view bytes,
                          const CNewFileName& newName, std::string& path, std::string& error,
                          std::string& warning);

}  // namespace fennmere
