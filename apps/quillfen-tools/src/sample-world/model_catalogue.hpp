// The hand-built models of one part of the world (the town, or its neighbours): their
// GfxObj and SetupModel records held in memory until they are written, with ids handed
// out in order from the part's own block.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "sample-world/dat_sink.hpp"
#include "sample-world/gfx_builder.hpp"
#include "sample-world/setup_builder.hpp"

namespace quillfen::sample {

class ModelCatalogue {
 public:
  // Ids start at 0x01000000 | first and 0x02000000 | first.
  explicit ModelCatalogue(std::uint32_t first);

  // Adds a GfxObj built from `mesh`, painted with the surface ids `surfaces`; `compress`
  // stores it LRS-compressed. Returns its id. A GfxObj that cannot be built is left out
  // and its error returned by `write`.
  std::uint32_t add_gfx(const Mesh& mesh, std::vector<std::uint32_t> surfaces, const GfxOptions& options = {},
                        bool compress = false);
  // Adds a SetupModel; returns its id.
  std::uint32_t add_setup(const SetupDesign& design, bool compress = false);

  const dat::file_type::GfxObj* find_gfx(std::uint32_t id) const;
  const dat::file_type::SetupModel* find_setup(std::uint32_t id) const;
  std::size_t size() const { return gfx_.size() + setups_.size(); }

  Status write(DatSink& portal) const;

 private:
  template <class T>
  struct Entry {
    T record;
    bool compress = false;
  };

  std::uint32_t next_gfx_;
  std::uint32_t next_setup_;
  std::vector<Entry<dat::file_type::GfxObj>> gfx_;
  std::vector<Entry<dat::file_type::SetupModel>> setups_;
  std::optional<std::string> error_;  // the first GfxObj that could not be built
};

// The surface ids of surface numbers, in order: a part's surface list.
std::vector<std::uint32_t> surface_ids(std::initializer_list<std::uint16_t> numbers);

// The surface ids a placed model shows, as the audit finds them: a GfxObj's own list, or
// the lists of a SetupModel's parts in order; nothing for an id no catalogue holds.
std::vector<std::uint32_t> model_surfaces(std::span<const ModelCatalogue* const> catalogues, std::uint32_t id);

}  // namespace quillfen::sample
