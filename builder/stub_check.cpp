// Stub validation. The launcher finds its payload only through the last
// section header, so any byte between that section's end and the payload
// would be read as the magic; refuse such stubs instead of building a setup
// file that reports itself corrupted on every start.
#include "builder/stub_check.h"

#include <algorithm>

#include "builder/file_io.h"

bool readStub(const std::string& path, payload_writer::Bytes* stub, std::string* error) {
    if (!readWholeFile(path, stub, error)) {
        *error = "stub " + *error;
        return false;
    }
    payload_writer::ReadAt read = [stub](uint64_t offset, uint8_t* out, size_t n) {
        if (offset > stub->size() || n > stub->size() - offset) return false;
        std::copy_n(stub->data() + offset, n, out);
        return true;
    };
    payload_writer::PeLayout pe;
    std::string why;
    if (!payload_writer::readPeLayout(read, stub->size(), &pe, &why)) {
        *error = "stub " + path + " is not a PE file (" + why + ")";
        return false;
    }
    uint64_t size = stub->size();
    if (pe.payloadStart < size) {
        *error = "stub " + path + " has " + std::to_string(size - pe.payloadStart) +
                 " bytes behind its last section (from offset " + std::to_string(pe.payloadStart) +
                 "); use the stripped launcher stub, not a setup file or an unstripped build";
        return false;
    }
    if (pe.payloadStart > size) {
        *error = "stub " + path + " is truncated: its last section ends at offset " + std::to_string(pe.payloadStart) +
                 " but the file has " + std::to_string(size) + " bytes";
        return false;
    }
    if (pe.highestRawEnd > pe.payloadStart) {
        *error = "stub " + path + ": section " + std::to_string(pe.highestSection + 1) +
                 " has raw data behind the last section's end; the payload would overwrite it";
        return false;
    }
    return true;
}
