// The names of the temporary files through which a file is replaced atomically, shared by
// both platforms' writers: they make such names, and clear away those of runs that are gone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace JwwGaibu {

/// The temporary file beside `target` for attempt `attempt` of process `pid`:
/// "." + the target's name + "." + pid + "." + attempt + ".tmp", hidden on POSIX.
std::filesystem::path TemporaryPath(const std::filesystem::path& target, uint64_t pid, int attempt);

/// The process id in `name` when it is such a temporary name for a target named
/// `targetName` (both numbers plain decimal, the process id at most ten digits); otherwise
/// nothing.
std::optional<uint64_t> TemporaryOwner(const std::filesystem::path& name,
                                       const std::filesystem::path& targetName);

}  // namespace JwwGaibu
