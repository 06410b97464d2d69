#pragma once

// The platform's widget style with its most repeated frames drawn once: the
// window shows eighty text-box frames of a few sizes and sixteen option
// indicators, and the style renders each with antialiased paths every time it
// is painted. A frame kept in QPixmapCache is blitted instead.

#include <QProxyStyle>

namespace forms {

class CachedFrameStyle final : public QProxyStyle {
public:
    explicit CachedFrameStyle(QStyle *base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

    // Makes the application's style one of these, once; later windows share it.
    static void install();

private:
    QString m_keyPrefix;
    mutable bool m_rendering = false;
};

} // namespace forms
