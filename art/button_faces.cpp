#include "button_faces.h"

namespace art {

static QImage blankFace(double devicePixelRatio)
{
    QImage image(int(kFaceWidth * devicePixelRatio), int(kFaceHeight * devicePixelRatio), QImage::Format_RGB32);
    image.fill(QColor(0xF1, 0xF4, 0xCE));
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QImage renderClearFace(double devicePixelRatio) { return blankFace(devicePixelRatio); }
QImage renderCloseFace(double devicePixelRatio) { return blankFace(devicePixelRatio); }

} // namespace art
