#include "storage/sequential_write_preparation.h"

#include "storage/linux_file.h"

namespace orvane {

void prepareSequentialWrite(DiskFile& file, std::uint64_t size) {
    auto* linuxFile = dynamic_cast<LinuxFile*>(&file);
    if (linuxFile == nullptr || !linuxFile->buffersExtendingDirectWrites())
        return;
    // FAT and older exFAT drivers send direct writes past the end of the file through the page
    // cache; with the final size in place every timed write lands inside the file. Extending may
    // zero-fill through the cache, so that is made durable now, outside the measured window.
    linuxFile->preallocate(size);
    linuxFile->flush();
}

}  // namespace orvane
