// Named shared memory between instances of the program: a POSIX shared
// memory object ("/" + name, mode 0600) mapped read/write, with a
// membership lock that tells the first instance in and the last one out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvex {

struct SharedMapping {
    std::string name;  // the object's name: "/" + the mapping name
    int fd = -1;
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    bool fresh = false;  // no other instance held it: its contents were cleared
};

// Joins (or creates) the object and maps `size` bytes. Every member holds a
// shared lock for as long as it is joined; the one that finds nobody else
// holding it (the first in, or the first after a crashed run) sets the size
// anew and clears the contents, so that stale objects never block a start.
// False with `error` set when the object cannot be opened or mapped; the
// record is then left closed, as it is when the members in hold the object
// at another size (another grid).
[[nodiscard]] bool OpenSharedMapping(SharedMapping& m, const std::string& mappingName, std::size_t size,
                                     std::string& error);

// Unmaps and leaves; the last member out removes the name. Does nothing on a
// closed record.
void CloseSharedMapping(SharedMapping& m);

// The object's name for a mapping name; empty when the name cannot be one
// (empty, too long, or with a "/" in it).
std::string SharedObjectName(const std::string& mappingName);

}  // namespace morvex
