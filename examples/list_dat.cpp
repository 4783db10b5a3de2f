// Lists what DAT files hold: a DAT's files grouped by record type (the top byte of their
// ids) and, given a cell DAT as well, its landblocks with their interior cells, objects
// and buildings.
//   list_dat DAT [CELL_DAT]
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "quillfen/dat/database.hpp"
#include "quillfen/dat/ids.hpp"
#include "quillfen/dat/landblock.hpp"
#include "quillfen/version.hpp"

namespace dat = quillfen::dat;

namespace {

const char* type_name(std::uint8_t type_byte) {
  switch (static_cast<dat::ids::RecordType>(type_byte)) {
    case dat::ids::RecordType::GfxObj: return "GfxObj";
    case dat::ids::RecordType::SetupModel: return "SetupModel";
    case dat::ids::RecordType::Palette: return "Palette";
    case dat::ids::RecordType::SurfaceTexture: return "SurfaceTexture";
    case dat::ids::RecordType::Texture: return "Texture";
    case dat::ids::RecordType::Surface: return "Surface";
  }
  return "";
}

// [open-database]
// Opens a DAT read-only and reads its whole directory, or says why it cannot.
std::optional<dat::DatDatabase> open_dat(const char* path) {
  auto db = dat::DatDatabase::open(path);
  if (!db) {
    std::fprintf(stderr, "list_dat: %s\n", db.error().message().c_str());
    for (const std::string& cause : db.error().causes()) std::fprintf(stderr, "  caused by: %s\n", cause.c_str());
    return std::nullopt;
  }
  std::printf("%s: %zu files, block size %u\n", path, db->files().size(), db->header().block_size);
  return std::move(*db);
}
// [open-database]

// [files-by-type]
void list_by_type(const dat::DatDatabase& db) {
  struct Tally {
    std::size_t files = 0;
    std::uint64_t bytes = 0;  // as stored, compressed or not
  };
  std::map<std::uint8_t, Tally> by_type;
  for (const dat::DatFileEntry& entry : db.files()) {
    Tally& tally = by_type[dat::ids::type_byte(entry.id)];
    ++tally.files;
    tally.bytes += entry.size;
  }
  for (const auto& [type, tally] : by_type) {
    std::printf("  0x%02X %-14s %8zu files %12llu bytes\n", type, type_name(type), tally.files,
                static_cast<unsigned long long>(tally.bytes));
  }
}
// [files-by-type]

// [landblocks]
void list_landblocks(const dat::DatDatabase& cell) {
  // A cell DAT id is a landblock key (high 16 bits) and a cell number (low 16 bits).
  std::map<std::uint16_t, std::size_t> interior_cells;
  for (const dat::DatFileEntry& entry : cell.files()) {
    std::size_t& count = interior_cells[dat::ids::landblock_of(entry.id)];
    if (dat::ids::is_interior_cell(entry.id)) ++count;
  }
  for (const auto& [landblock, cells] : interior_cells) {
    std::printf("  0x%04X %5zu interior cells", landblock, cells);
    const auto bytes = cell.get_file(dat::ids::landblock_info_id(landblock));
    if (!bytes) {
      std::printf(", no LandblockInfo: %s\n", bytes.error().message().c_str());
      continue;
    }
    const auto info = dat::landblock::LandblockInfo::unpack(*bytes);
    if (!info) {
      std::printf(", LandblockInfo unreadable: %s\n", info.error().message().c_str());
      continue;
    }
    std::printf(", %zu objects, %zu buildings\n", info->objects.size(), info->buildings.size());
  }
}
// [landblocks]

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: list_dat DAT [CELL_DAT]   (quillfen %s)\n", QUILLFEN_VERSION_STRING);
    return 2;
  }
  const auto db = open_dat(argv[1]);
  if (!db) return 1;
  list_by_type(*db);
  if (argc == 3) {
    const auto cell = open_dat(argv[2]);
    if (!cell) return 1;
    list_landblocks(*cell);
  }
  return 0;
}
