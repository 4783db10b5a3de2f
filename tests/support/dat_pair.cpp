// Writing the two DATs of a DatPair.
#include "support/dat_pair.hpp"

#include <stdexcept>

#include "quillfen/dat/write/dat_writer.hpp"

namespace quillfen::testing {
namespace {

void write_dat(const std::filesystem::path& path, const std::map<std::uint32_t, std::vector<std::uint8_t>>& files) {
  auto writer = dat::write::DatWriter::create(path, {.block_size = 256});
  if (!writer) throw std::runtime_error(writer.error().message());
  std::size_t index = 0;
  for (const auto& [id, bytes] : files) {
    if (auto r = writer->add_file(id, bytes, {.compress = index++ % 3 == 2}); !r) {
      throw std::runtime_error(r.error().message());
    }
  }
  if (auto r = writer->finish(); !r) throw std::runtime_error(r.error().message());
}

}  // namespace

void DatPair::write(const std::filesystem::path& portal_path, const std::filesystem::path& cell_path) const {
  write_dat(portal_path, portal_);
  write_dat(cell_path, cell_);
}

}  // namespace quillfen::testing
