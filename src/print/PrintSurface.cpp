#include "print/PrintSurface.h"

namespace orvelan {

int printLineAt(PrintSurface& surface, double left, QStringView text) {
    surface.setX(left);
    if (const int error = surface.print(text))
        return error;
    return surface.endLine();
}

} // namespace orvelan
