// Arbitrary bytes as a property list: XML, binary, or neither.
#include "fuzz/FuzzSupport.h"
#include "formats/Documents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)chordmap::parsePropertyList(chordmap::fuzzing::text(data, size));
    return 0;
}
