// Every record decoder on arbitrary bytes; the first byte picks the record. A record that
// decodes must write back (its writer may not refuse what its reader accepted) to bytes
// that decode to a record writing the same bytes again (compared as bytes, so NaN floats
// compare as stored).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <expected>
#include <span>
#include <vector>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/palette.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/graphics.hpp"
#include "quillfen/dat/landblock.hpp"
#include "quillfen/dat/pack.hpp"
#include "quillfen/dat/physics.hpp"
#include "quillfen/dat/utils.hpp"

namespace {

namespace dat = quillfen::dat;
namespace ft = quillfen::dat::file_type;
using Bytes = std::span<const std::uint8_t>;
using Packed = std::expected<std::vector<std::uint8_t>, dat::PackError>;

// A decoder that takes the whole byte slice, or one that reads from a reader.
template <class Decode, class Pack>
void round_trip(Bytes bytes, Decode decode, Pack pack) {
  auto record = decode(bytes);
  if (!record) {
    // Every failure carries a message; building it must not fail either.
    if (record.error().message().empty()) std::abort();
    return;
  }
  const Packed first = pack(*record);
  if (!first) std::abort();
  auto again = decode(*first);
  if (!again) std::abort();
  const Packed second = pack(*again);
  if (!second || *first != *second) std::abort();
}

template <class T>
Packed pack_it(const T& record) {
  return dat::pack_record(record);
}

template <class T>
void whole(Bytes bytes) {
  round_trip(bytes, [](Bytes b) { return T::unpack(b); }, pack_it<T>);
}

template <class T>
void via_reader(Bytes bytes) {
  round_trip(
      bytes,
      [](Bytes b) {
        dat::Reader reader(b);
        return T::unpack(reader);
      },
      pack_it<T>);
}

void bsp(Bytes bytes, dat::physics::BspTreeKind kind) {
  round_trip(
      bytes,
      [kind](Bytes b) {
        dat::Reader reader(b);
        return dat::physics::BspNode::read(reader, kind);
      },
      [kind](const dat::physics::BspNode& r) { return dat::pack_record(r, kind); });
}

void smart_vec(Bytes bytes) {
  round_trip(
      bytes,
      [](Bytes b) {
        dat::Reader reader(b);
        return dat::utils::read_smart_vec(reader);
      },
      [](const std::vector<std::uint32_t>& v) -> Packed {
        dat::ByteWriter w;
        if (auto written = dat::utils::write_smart_vec(w, v); !written) return std::unexpected(written.error());
        return w.take();
      });
}

void placement(Bytes bytes) {
  // The part count comes from the data, as SetupModel passes its own.
  if (bytes.empty()) return;
  const std::uint32_t parts = bytes[0] % 8;
  round_trip(
      bytes.subspan(1),
      [parts](Bytes b) {
        dat::Reader reader(b);
        return ft::PlacementType::read(reader, parts);
      },
      pack_it<ft::PlacementType>);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Bytes bytes(data + 1, size - 1);
  switch (data[0] % 14) {
    case 0: whole<ft::Surface>(bytes); break;
    case 1: whole<ft::SurfaceTexture>(bytes); break;
    case 2: whole<ft::Texture>(bytes); break;
    case 3: whole<ft::Palette>(bytes); break;
    case 4: whole<dat::landblock::LandblockInfo>(bytes); break;
    case 5: via_reader<ft::env_cell::EnvCell>(bytes); break;
    case 6: via_reader<ft::GfxObj>(bytes); break;
    case 7: via_reader<ft::SetupModel>(bytes); break;
    case 8: bsp(bytes, dat::physics::BspTreeKind::Drawing); break;
    case 9: bsp(bytes, dat::physics::BspTreeKind::Physics); break;
    case 10: bsp(bytes, dat::physics::BspTreeKind::Cell); break;
    case 11: smart_vec(bytes); break;
    case 12: placement(bytes); break;
    default:
      round_trip(
          bytes,
          [](Bytes b) {
            dat::Reader reader(b);
            return dat::graphics::CVertexArray::read(reader);
          },
          pack_it<dat::graphics::CVertexArray>);
      break;
  }
  return 0;
}
