#pragma once

// The platform's widget style with its most repeated frames drawn once: the
// window shows eighty text-box frames of a few sizes and sixteen option
// indicators, and the style renders each with antialiased paths every time it
// is painted. A cached frame is blitted instead.

#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>

#include <array>
#include <cstdint>
#include <vector>

namespace forms {

class CachedFrameStyle final : public QProxyStyle {
public:
    explicit CachedFrameStyle(QStyle *base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

    // Makes the application's style one of these, once; later windows share it.
    static void install();

    // Everything the cached elements' drawing depends on.
    struct Key {
        int element = 0;
        int width = 0;
        int height = 0;
        std::uint32_t state = 0;
        int direction = 0;
        std::array<QRgb, QPalette::NColorRoles> colours{}; // of the group the style draws with
        double devicePixelRatio = 1;
        int lineWidth = -1;
        int midLineWidth = -1;
        int features = -1;
        int shape = -1;
        bool operator==(const Key &) const = default;
    };

private:
    mutable std::vector<std::pair<Key, QPixmap>> m_cache;
    mutable bool m_rendering = false;
};

} // namespace forms
