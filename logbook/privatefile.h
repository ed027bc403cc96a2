// The file operations the logbook needs that differ between systems.
#pragma once

#include <string>
#include <string_view>

namespace fennmere {

// Makes path and any missing parents below it; path itself, when made
// here, is then set to the user alone (0700), whatever the umask. A folder
// that exists already keeps its permissions.
bool MakePrivateFolder(const std::string& path, std::string& error);

// Writes bytes as a new file path, readable by the user alone (0600): a
// temporary file beside it is written and flushed, then put in place only
// if path does not exist yet. Returns false with exists set when path was
// taken meanwhile (by another process), with error set on any failure.
bool WritePrivateFileNew(const std::string& path, std::string_view bytes, bool& exists, std::string& error);

}  // namespace fennmere
