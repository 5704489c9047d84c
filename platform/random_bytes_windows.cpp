#include <climits>
#include <cstdint>
#include <stdexcept>

#include "platform/random_bytes.h"
#include "platform/windows_api.h"

#include <bcrypt.h>

namespace orvane {

void fillRandom(void* buffer, std::size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ULONG chunk = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        const NTSTATUS status =
            BCryptGenRandom(nullptr, bytes, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
        if (status < 0)
            throw std::runtime_error(kRandomFailureMessage);
        bytes += chunk;
        size -= chunk;
    }
}

}  // namespace orvane
