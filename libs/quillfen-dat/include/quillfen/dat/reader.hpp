// The record reader and the byte writer as the DAT library's record decoders use them.
#pragma once

#include "quillfen/common/byte_writer.hpp"
#include "quillfen/common/math.hpp"
#include "quillfen/common/reader.hpp"
#include "quillfen/dat/error.hpp"

namespace quillfen::dat {

using common::ByteWriter;
using common::in_field;
using common::ReadResult;
using common::Reader;

using common::Plane;
using common::Quaternion;
using common::Sphere;
using common::Vector3;

}  // namespace quillfen::dat
