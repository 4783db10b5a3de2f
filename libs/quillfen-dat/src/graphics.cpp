// Reading and writing of the graphics records.
#include "quillfen/dat/graphics.hpp"

namespace quillfen::dat::graphics {

ReadResult<Frame> Frame::read(Reader& reader) {
  Frame frame;
  QF_FIELD(frame.origin, Vector3::read(reader), "origin", "Frame");
  QF_FIELD(frame.orientation, Quaternion::read(reader), "orientation", "Frame");
  return frame;
}

void Frame::pack(ByteWriter& writer) const {
  origin.pack(writer);
  orientation.pack(writer);
}

}  // namespace quillfen::dat::graphics
