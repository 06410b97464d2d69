// The cached frame style: repeated small frames drawn once, then blitted.

#include "qt_style.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QVarLengthArray>

#include <bit>

namespace forms {

namespace {

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

// Everything a cached element's drawing depends on, as its QPixmapCache key:
// the element, size, state, direction, ratio, frame options and every colour of
// the group the style draws with. Widgets with the same colours hold distinct
// palette objects, so the key holds the colours themselves. The key is built for
// every frame painted and is only ever compared, never shown, so each field goes
// in as its bits, two UTF-16 units for 32 of them: spelt out in hex digits, it
// took nearly as long to build and hash as the blit it leads to. The prefix names
// the style that draws the frame: the cache is the whole application's.
QString cacheKey(QStringView prefix, QStyle::PrimitiveElement element, const QStyleOption &option, qreal dpr)
{
    QVarLengthArray<char16_t, 96> units(prefix.utf16(), prefix.utf16() + prefix.size());
    const auto add = [&units](quint32 bits) {
        units.append(char16_t(bits >> 16));
        units.append(char16_t(bits & 0xFFFF));
    };
    add(quint32(element));
    add(quint32(option.rect.width()));
    add(quint32(option.rect.height()));
    add(quint32(option.state.toInt()));
    add(quint32(option.direction));
    const auto ratio = std::bit_cast<quint64>(dpr);
    add(quint32(ratio >> 32));
    add(quint32(ratio & 0xFFFFFFFF));
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(&option);
    add(quint32(frame ? frame->lineWidth : -1));
    add(quint32(frame ? frame->midLineWidth : -1));
    add(quint32(frame ? frame->features.toInt() : -1));
    add(quint32(frame ? int(frame->frameShape) : -1));
    for (int role = 0; role < int(QPalette::NColorRoles); ++role)
        add(option.palette.color(QPalette::ColorRole(role)).rgba());
    return QStringView(units.constData(), units.size()).toString();
}

} // namespace

CachedFrameStyle::CachedFrameStyle(QStyle *base)
    : QProxyStyle(base), m_keyPrefix(QStringLiteral("forms-frame:") + baseStyle()->name() + u':')
{
}

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
    // as part of a cached element, goes to the style as it is.
    if (m_rendering || !option || !isCached(element, option->rect, widget) || !painter->device() ||
        painter->transform().type() > QTransform::TxTranslate) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal dpr = painter->device()->devicePixelRatio();
    const QString key = cacheKey(m_keyPrefix, element, *option, dpr);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(option->rect.size() * dpr);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter cachePainter(&pixmap);
        cachePainter.setRenderHints(painter->renderHints());
        cachePainter.translate(-option->rect.topLeft());
        m_rendering = true;
        QProxyStyle::drawPrimitive(element, option, &cachePainter, widget);
        m_rendering = false;
        cachePainter.end();
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(option->rect.topLeft(), pixmap);
}

} // namespace forms
