// Reads arbitrary bytes as a KMZ archive: whatever the archive claims, the reader must not
// crash and must never hand back more than the limit.
#include "tests/fuzz/FuzzSupport.h"
#include "tracks/KmzArchive.h"

#include <cstddef>
#include <cstdint>

namespace {

// Small, so that inputs claiming a large document reach the limit quickly.
constexpr std::size_t kLimit = 64 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemoryFile file(data, size);
    const KmzDocument document = ReadKmzDocument(file.Path(), kLimit);
    Require(document.status != KmzReadStatus::CannotOpen);
    Require(document.status == KmzReadStatus::Ok ? document.bytes.size() <= kLimit
                                                 : document.bytes.empty());
    return 0;
}
