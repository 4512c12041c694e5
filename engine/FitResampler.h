#pragma once

// The square-and-fit drawing: one separable Lanczos-3 resample straight from the
// decoded picture into the output frame. The white square is never built; a
// source sample that falls in a band is white, so the result equals padding the
// picture on white at full size and then scaling the square to the output.

#include "Picture.h"

namespace tessaline {

// `loaded.pixels` may be a shrunk copy of a picture of `loaded.original` pixels;
// the placement is computed on the original. `output` must be at least 1 x 1.
Picture renderSquared(const LoadedPicture& loaded, Size output);

// The picture averaged over blocks of factor x factor pixels (partial blocks at
// the right and bottom edges average the pixels they have).
Picture boxShrink(const Picture& picture, int factor);

} // namespace tessaline
