// The cached frame style: repeated small frames drawn once, then blitted.

#include "qt_style.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace forms {

namespace {

// A handful of sizes and states occur; more means something unforeseen, and the
// cache starts over rather than grow.
constexpr std::size_t kMaxCached = 64;
// Small frames only: a large one is drawn once and would only hold memory.
constexpr int kMaxCachedArea = 200 * 32;

// Only the frames of stand-alone text boxes and option buttons: inside a spin box
// or combo box the style draws an editor's panel differently, or not at all.
bool isCached(QStyle::PrimitiveElement element, const QRect &rect, const QWidget *widget)
{
    if (rect.isEmpty() || rect.width() * rect.height() > kMaxCachedArea)
        return false;
    switch (element) {
    case QStyle::PE_PanelLineEdit:
        return qobject_cast<const QLineEdit *>(widget) && widget->parentWidget() &&
               !qobject_cast<const QAbstractSpinBox *>(widget->parentWidget()) &&
               !qobject_cast<const QComboBox *>(widget->parentWidget());
    case QStyle::PE_IndicatorRadioButton: return qobject_cast<const QRadioButton *>(widget) != nullptr;
    default: return false;
    }
}

// Widgets with the same colours hold distinct palette objects, so the key holds
// the colours themselves, of the group the style draws with.
std::array<QRgb, QPalette::NColorRoles> coloursOf(const QPalette &palette)
{
    std::array<QRgb, QPalette::NColorRoles> colours{};
    for (int role = 0; role < int(QPalette::NColorRoles); ++role)
        colours[std::size_t(role)] = palette.color(QPalette::ColorRole(role)).rgba();
    return colours;
}

CachedFrameStyle::Key keyOf(QStyle::PrimitiveElement element, const QStyleOption &option, qreal dpr)
{
    CachedFrameStyle::Key key;
    key.element = int(element);
    key.width = option.rect.width();
    key.height = option.rect.height();
    key.state = std::uint32_t(option.state.toInt());
    key.direction = int(option.direction);
    key.colours = coloursOf(option.palette);
    key.devicePixelRatio = dpr;
    if (const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(&option)) {
        key.lineWidth = frame->lineWidth;
        key.midLineWidth = frame->midLineWidth;
        key.features = int(frame->features.toInt());
        key.shape = int(frame->frameShape);
    }
    return key;
}

bool onWholePixels(const QRectF &device)
{
    const auto whole = [](qreal v) { return qFuzzyCompare(v + 1, std::round(v) + 1); };
    return whole(device.left()) && whole(device.top()) && whole(device.right()) && whole(device.bottom());
}

} // namespace

CachedFrameStyle::CachedFrameStyle(QStyle *base) : QProxyStyle(base) {}

void CachedFrameStyle::install()
{
    if (dynamic_cast<CachedFrameStyle *>(QApplication::style()))
        return;
    QStyle *base = QStyleFactory::create(QApplication::style()->name());
    if (!base)
        return;
    QApplication::setStyle(new CachedFrameStyle(base));
}

void CachedFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    // Only plain blits of the elements that repeat; anything transformed, or drawn
    // as part of a cached element, goes to the style as it is. So does a frame
    // that does not start and end on whole device pixels, as at a fractional
    // ratio: the style draws it at that offset, a copy could only be resampled.
    if (m_rendering || !option || !isCached(element, option->rect, widget) || !painter->device() ||
        painter->transform().type() > QTransform::TxTranslate ||
        !onWholePixels(painter->deviceTransform().mapRect(QRectF(option->rect)))) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal dpr = painter->device()->devicePixelRatio();
    const Key key = keyOf(element, *option, dpr);
    auto it = std::find_if(m_cache.begin(), m_cache.end(), [&key](const auto &entry) { return entry.first == key; });
    if (it == m_cache.end()) {
        QPixmap pixmap(option->rect.size() * dpr);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter cachePainter(&pixmap);
        cachePainter.setRenderHints(painter->renderHints());
        cachePainter.translate(-option->rect.topLeft());
        m_rendering = true;
        QProxyStyle::drawPrimitive(element, option, &cachePainter, widget);
        m_rendering = false;
        cachePainter.end();
        if (m_cache.size() >= kMaxCached)
            m_cache.clear();
        m_cache.emplace_back(key, std::move(pixmap));
        it = m_cache.end() - 1;
    }
    painter->drawPixmap(option->rect.topLeft(), it->second);
}

} // namespace forms
