#pragma once

// Reading a file the user picked, safely: only a regular file, opened without
// blocking (a pipe or a device would otherwise wait forever or never end), and
// never more than a limit, even when the file grows while it is read. And
// writing one whole or not at all.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvex::exchange {

struct BoundedRead {
    enum class Status { Ok, CannotRead, NotRegular, TooLarge };
    Status status = Status::CannotRead;
    std::string text;    // the whole file when Ok
    std::string reason;  // the system's words when CannotRead
    long long size = 0;  // the size found, when TooLarge by its size
};

BoundedRead readRegularFile(const std::string& path, std::size_t maxBytes);

struct FileWrite {
    enum class Status { Ok, NoSpace, Failed };
    Status status = Status::Failed;
    std::string reason;  // the system's words when Failed
    bool ok() const { return status == Status::Ok; }
};

// Replaces `path` by `bytes` through a temporary file that is renamed into
// place only when every write reached it: a full disk or any other failure
// leaves the earlier file as it was and no temporary file behind. The
// folder must exist.
FileWrite writeWholeFile(const std::string& path, std::string_view bytes);

}  // namespace korvex::exchange
