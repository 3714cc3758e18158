#pragma once

// Reading a file the user picked, safely: only a regular file, opened without
// blocking (a pipe or a device would otherwise wait forever or never end), and
// never more than a limit, even when the file grows while it is read.

#include <cstddef>
#include <string>

namespace korvex::exchange {

struct BoundedRead {
    enum class Status { Ok, CannotRead, NotRegular, TooLarge };
    Status status = Status::CannotRead;
    std::string text;    // the whole file when Ok
    std::string reason;  // the system's words when CannotRead
    long long size = 0;  // the size found, when TooLarge by its size
};

BoundedRead readRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace korvex::exchange
