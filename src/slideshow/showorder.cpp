#include "slideshow/showorder.h"

namespace qel::slideshow {

int NextIndex(int current, int count, bool random, const RandomIndex& draw)
{
    if (count < 2)
        return 0;
    if (random) {
        int next = draw(count);
        while (next == current)
            next = draw(count);
        return next;
    }
    return current >= 0 && current < count - 1 ? current + 1 : 0;
}

}  // namespace qel::slideshow
