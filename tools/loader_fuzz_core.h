// The loader fuzzer's cases: valid BMP files of every depth, header form
// and compression, most of sides up to 64 and one in eight larger (sides up
// to 160, pixels up to 64 KiB), each with one to several header fields, its
// last or some other pixel bytes, or its length changed. Case `index` of a
// seed is always the same file, so any case a run reports can be made again.
#ifndef PELLOWRICK_TOOLS_LOADER_FUZZ_CORE_H
#define PELLOWRICK_TOOLS_LOADER_FUZZ_CORE_H

#include <cstdint>
#include <string>
#include <vector>

struct FuzzCase {
  std::vector<uint8_t> bytes;
  std::string base;  // the valid file it was made from, e.g. "8-bit RLE8, 40-byte header, 13 x 7"
  std::string changes;  // what was changed, e.g. "pixel offset = 0xFFFFFFF0; cut to 401 bytes"
  bool large = false;   // made from one of the larger images
};

FuzzCase MakeFuzzCase(uint64_t seed, uint64_t index);

// The header fields as the program's rule reads them, the file's length
// and the length the rule asks for, on one line.
std::string DescribeFields(const std::vector<uint8_t>& bytes);

#endif
