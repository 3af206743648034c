// Fuzz target: arbitrary bytes as a collection file's content must give a list or one of the
// loader's own errors.
#include <cstddef>
#include <cstdint>

#include "core/problem_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavrel::MemoryStream source;
  source.data.assign(data, data + size);
  tavrel::MemoryStream target;
  try {
    tavrel::DecompressStream(source, target);
    tavrel::ProblemList list = tavrel::TextToList(
        std::string_view(reinterpret_cast<const char*>(target.data.data()), target.data.size()));
    tavrel::SaveCompressedList(list, "/dev/null/never");  // unreachable folder: must throw cleanly
  } catch (const tavrel::EZlibError&) {
  } catch (const tavrel::EFileError&) {
  }
  return 0;
}
