// Helpers for the sample world generator's tests: records through their own bytes, a DAT
// written by a DatSink and opened again, and the geometry of a mesh's polygons.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "quillfen/dat/database.hpp"
#include "sample-world/dat_sink.hpp"
#include "support/packed.hpp"
#include "sample-world/meshes.hpp"

namespace quillfen::sample::testing {

using quillfen::testing::packed;

// Decodes `bytes` with a decoder that takes a reader (GfxObj, SetupModel, EnvCell).
template <class Record>
auto unpack_from_reader(const std::vector<std::uint8_t>& bytes) {
  dat::Reader reader(bytes);
  return Record::unpack(reader);
}

// Writes a DAT through `fill`, then opens it; fails the test on any error.
inline std::optional<dat::DatDatabase> write_dat(const std::filesystem::path& path,
                                                 const std::function<Status(DatSink&)>& fill,
                                                 std::uint32_t block_size = 256) {
  auto sink = DatSink::create(path, block_size);
  if (!sink) {
    ADD_FAILURE() << sink.error();
    return std::nullopt;
  }
  if (auto filled = fill(*sink); !filled) {
    ADD_FAILURE() << filled.error();
    return std::nullopt;
  }
  if (auto finished = sink->finish(); !finished) {
    ADD_FAILURE() << finished.error();
    return std::nullopt;
  }
  auto db = dat::DatDatabase::open(path);
  if (!db) {
    ADD_FAILURE() << db.error().message();
    return std::nullopt;
  }
  return std::move(*db);
}

// The centre of polygon `index` of `mesh`.
inline Vector3 centre_of(const Mesh& mesh, std::size_t index) {
  const auto points = mesh.polygon_points(index);
  double x = 0.0, y = 0.0, z = 0.0;
  for (const Vector3& p : points) {
    x += p.x;
    y += p.y;
    z += p.z;
  }
  const auto n = static_cast<double>(points.size());
  return vec(x / n, y / n, z / n);
}

}  // namespace quillfen::sample::testing
