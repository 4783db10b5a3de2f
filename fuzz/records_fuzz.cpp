// Every record decoder on arbitrary bytes; the first byte picks the record. A record that
// decodes must write back to bytes that decode to a record writing the same bytes again
// (compared as bytes, so NaN floats compare as stored).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
#include "quillfen/dat/physics.hpp"
#include "quillfen/dat/utils.hpp"

namespace {

namespace dat = quillfen::dat;
namespace ft = quillfen::dat::file_type;
using Bytes = std::span<const std::uint8_t>;

// A decoder that takes the whole byte slice, or one that reads from a reader.
template <class Decode, class Pack>
void round_trip(Bytes bytes, Decode decode, Pack pack) {
  auto record = decode(bytes);
  if (!record) {
    // Every failure carries a message; building it must not fail either.
    if (record.error().message().empty()) std::abort();
    return;
  }
  dat::ByteWriter first;
  pack(*record, first);
  auto again = decode(first.bytes());
  if (!again) std::abort();
  dat::ByteWriter second;
  pack(*again, second);
  if (!std::ranges::equal(first.bytes(), second.bytes())) std::abort();
}

template <class T>
void whole(Bytes bytes) {
  round_trip(bytes, [](Bytes b) { return T::unpack(b); }, [](const T& r, dat::ByteWriter& w) { r.pack(w); });
}

template <class T>
void via_reader(Bytes bytes) {
  round_trip(
      bytes,
      [](Bytes b) {
        dat::Reader reader(b);
        return T::unpack(reader);
      },
      [](const T& r, dat::ByteWriter& w) { r.pack(w); });
}

void bsp(Bytes bytes, dat::physics::BspTreeKind kind) {
  round_trip(
      bytes,
      [kind](Bytes b) {
        dat::Reader reader(b);
        return dat::physics::BspNode::read(reader, kind);
      },
      [kind](const dat::physics::BspNode& r, dat::ByteWriter& w) { r.pack(w, kind); });
}

void smart_vec(Bytes bytes) {
  round_trip(
      bytes,
      [](Bytes b) {
        dat::Reader reader(b);
        return dat::utils::read_smart_vec(reader);
      },
      [](const std::vector<std::uint32_t>& v, dat::ByteWriter& w) { dat::utils::write_smart_vec(w, v); });
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
      [](const ft::PlacementType& r, dat::ByteWriter& w) { r.pack(w); });
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
          [](const dat::graphics::CVertexArray& r, dat::ByteWriter& w) { r.pack(w); });
      break;
  }
  return 0;
}
