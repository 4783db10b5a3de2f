// Frame: the position and rotation of an object or part.
#pragma once

#include "quillfen/dat/reader.hpp"

namespace quillfen::dat::graphics {

struct Frame {
  Vector3 origin;
  Quaternion orientation;

  static ReadResult<Frame> read(Reader& reader);
  void pack(ByteWriter& writer) const;
  bool operator==(const Frame&) const = default;
};

}  // namespace quillfen::dat::graphics
