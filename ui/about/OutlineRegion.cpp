#include "OutlineRegion.h"

namespace tessaline {

QRegion outlineRegion(const OutlineRect& outline, QSize area)
{
    QRegion region;
    const std::vector<OutlineSpan> spans = outlineSpans(outline, area.width(), area.height());
    // Rows with the same columns are joined into one band: a few dozen rectangles, not hundreds.
    for (std::size_t first = 0; first < spans.size();) {
        std::size_t end = first + 1;
        while (end < spans.size() && spans[end].left == spans[first].left &&
               spans[end].right == spans[first].right && spans[end].y == spans[end - 1].y + 1)
            ++end;
        const OutlineSpan& band = spans[first];
        region += QRect(band.left, band.y, band.right - band.left, int(end - first));
        first = end;
    }
    return region;
}

} // namespace tessaline
