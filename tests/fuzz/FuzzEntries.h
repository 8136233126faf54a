#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Entry points shared by the libFuzzer targets and the corpus replay test. Each feeds
// the bytes through the code under test and returns a description of a broken
// invariant, or an empty text when all is well. Conversion failures are expected
// outcomes, not findings.
namespace fuzzentry {

// First byte: bit 0 picks the radio class; the rest is a module listing.
QString listingModule(const std::uint8_t *data, std::size_t size);
// The same for a file line (file mode), then rebuilt twice: a line built from parsed
// settings must read back to the same line.
QString listingFile(const std::uint8_t *data, std::size_t size);
// The bytes as a file's contents through the line reader, then file-mode parsing.
QString fileReader(const std::uint8_t *data, std::size_t size);

}  // namespace fuzzentry
