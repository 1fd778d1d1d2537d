// A run of bytes that lives elsewhere: what is written to a file or put on the clipboard.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

struct ByteRun {
    const std::uint8_t* data;
    std::size_t size;
};

}  // namespace os
