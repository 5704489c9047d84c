#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "platform/random_bytes.h"

namespace orvane {

void fillRandom(void* buffer, std::size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = getrandom(bytes + filled, size - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(kRandomFailureMessage);
        }
        filled += static_cast<std::size_t>(got);
    }
}

}  // namespace orvane
