#include "hex_grid.h"

namespace art {

QImage renderHexGrid(double devicePixelRatio)
{
    // Placeholder until the grid is drawn: the plain background.
    QImage image(int(kHexGridWidth * devicePixelRatio), int(kHexGridHeight * devicePixelRatio), QImage::Format_RGB32);
    image.fill(QColor(0xA9, 0xA9, 0xA9));
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

} // namespace art
