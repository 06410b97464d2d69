// The cached frame style: a frame blitted from the cache must be the frame the
// platform style draws for the same options, whatever was cached before it.

#include "platform/qt/qt_style.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

enum class Element { TextBox, Option };

struct Frame {
    Element element = Element::TextBox;
    QSize size;
    QStyle::State state;
    QColor base; // the text box's background, or invalid for the default
    qreal ratio = 1; // of the screen it is drawn for
    QPoint at{3, 2};
};

// Largest difference of one channel between two images of the same size.
int maxDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

} // namespace

Q_DECLARE_METATYPE(Frame)

class tst_Style : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cachedFrameIsTheStylesFrame_data();
    void cachedFrameIsTheStylesFrame();

private:
    // One cache for all rows, so a row that shares a wrong key with an earlier one
    // gets that row's picture.
    std::unique_ptr<forms::CachedFrameStyle> m_cached;
    std::unique_ptr<QStyle> m_plain;
    QWidget m_window;
    QLineEdit m_edit{&m_window};
    QRadioButton m_option{&m_window};
};

void tst_Style::initTestCase()
{
    const QString name = QApplication::style()->name();
    m_cached = std::make_unique<forms::CachedFrameStyle>(QStyleFactory::create(name));
    m_plain.reset(QStyleFactory::create(name));
    QVERIFY(m_plain);
}

void tst_Style::cachedFrameIsTheStylesFrame_data()
{
    QTest::addColumn<Frame>("frame");
    const QStyle::State on = QStyle::State_Enabled | QStyle::State_Active;
    const QSize cell(177, 19);
    QTest::newRow("text box") << Frame{Element::TextBox, cell, on, {}};
    QTest::newRow("text box with the focus") << Frame{Element::TextBox, cell, on | QStyle::State_HasFocus, {}};
    QTest::newRow("text box disabled") << Frame{Element::TextBox, cell, QStyle::State_Active, {}};
    QTest::newRow("text box of another size") << Frame{Element::TextBox, QSize(57, 19), on, {}};
    QTest::newRow("text box of another colour") << Frame{Element::TextBox, cell, on, QColor(0x20, 0x30, 0x40)};
    QTest::newRow("option off") << Frame{Element::Option, QSize(13, 13), on | QStyle::State_Off, {}};
    QTest::newRow("option on") << Frame{Element::Option, QSize(13, 13), on | QStyle::State_On, {}};
    QTest::newRow("option on, pressed") << Frame{Element::Option, QSize(13, 13), on | QStyle::State_On | QStyle::State_Sunken, {}};
    QTest::newRow("text box on a screen of twice the density") << Frame{Element::TextBox, cell, on, {}, 2};
    QTest::newRow("option on a screen of 1.5 times the density") << Frame{Element::Option, QSize(13, 13), on | QStyle::State_On, {}, 1.5};
    // At a fractional ratio a frame starting on a whole device pixel ends inside one.
    for (qreal ratio : {1.25, 1.75})
        QTest::addRow("text box on a screen of %g times the density", ratio) << Frame{Element::TextBox, cell, on, {}, ratio, {4, 4}};
}

void tst_Style::cachedFrameIsTheStylesFrame()
{
    QFETCH(Frame, frame);
    QWidget *widget = frame.element == Element::Option ? static_cast<QWidget *>(&m_option) : &m_edit;

    QStyleOptionFrame option;
    option.initFrom(widget);
    option.rect = QRect(frame.at, frame.size);
    option.state = frame.state;
    option.palette = widget->palette();
    option.palette.setCurrentColorGroup(frame.state & QStyle::State_Enabled ? QPalette::Active : QPalette::Disabled);
    option.lineWidth = 1;
    if (frame.base.isValid())
        option.palette.setColor(QPalette::Base, frame.base);
    const QStyle::PrimitiveElement element =
        frame.element == Element::Option ? QStyle::PE_IndicatorRadioButton : QStyle::PE_PanelLineEdit;

    const auto draw = [&](const QStyle &style) {
        QImage image((frame.size + QSize(8, 6)) * frame.ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(frame.ratio);
        image.fill(QColor(0xFF, 0xFF, 0xE1));
        QPainter painter(&image);
        style.drawPrimitive(element, &option, &painter, widget);
        return image;
    };
    const QImage expected = draw(*m_plain);
    // Twice: the first fills the cache, the second comes from it.
    QVERIFY(maxDifference(draw(*m_cached), expected) <= 1);
    QVERIFY(maxDifference(draw(*m_cached), expected) <= 1);
}

QTEST_MAIN(tst_Style)
#include "tst_style.moc"
