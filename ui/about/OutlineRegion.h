#pragma once

// Turns the About window's outline into the region a widget mask takes.

#include "Outline.h"

#include <QRegion>
#include <QSize>

namespace tessaline {

// The pixels of `outline` that fall within `area` (from (0, 0)), as a region.
QRegion outlineRegion(const OutlineRect& outline, QSize area);

} // namespace tessaline
