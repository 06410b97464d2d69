// The main window as a user meets it: caption, size, colours, the focus order and Close.

#include "platform/qt/qt_fonts.h"
#include "test_window.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyleOption>
#include <QTemporaryDir>

#include <unistd.h>

Q_DECLARE_METATYPE(forms::Kind)
Q_DECLARE_METATYPE(QPalette::ColorRole)

namespace {

// The focus stops in the order a user walks them with Tab, written out from what
// the user sees: the map, the selected selector, each table column top to bottom,
// both notes, the objects list column by column, then Close and Clear.
QStringList expectedStops(const QString &selector)
{
    QStringList order{QStringLiteral("Picture1"), selector};
    for (int i = 0; i < 64; ++i)
        order << QStringLiteral("Text1(%1)").arg(i);
    order << QStringLiteral("RichTextBox1(0)") << QStringLiteral("RichTextBox1(1)");
    for (int i = 64; i < 80; ++i)
        order << QStringLiteral("Text1(%1)").arg(i);
    order << QStringLiteral("cmdClose") << QStringLiteral("cmdClear");
    return order;
}

// The rows whose caption must fit their control: selectors and headings.
bool hasCaption(const forms::ControlDesc &row)
{
    return row.kind == forms::Kind::OptionButton || (row.kind == forms::Kind::Label && row.look == forms::LabelLook::Text);
}

// A caption and the width its control lays it out in: a selector's starts right
// of its indicator, a heading's spans the label.
std::pair<QString, int> captionRoom(QWidget *control)
{
    if (auto *selector = qobject_cast<QRadioButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(selector);
        option.text = selector->text();
        return {option.text, selector->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, selector).width()};
    }
    auto *label = qobject_cast<QLabel *>(control);
    return {label->text(), label->contentsRect().width()};
}

QString focusName()
{
    QWidget *w = QApplication::focusWidget();
    return w ? w->objectName() : QStringLiteral("(none)");
}

// An X display number no server on this machine holds.
int unusedDisplay()
{
    for (int n = 900;; ++n)
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) && !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return n;
}

// The program as it runs on a machine where the platform plugins whose names
// contain `missing` are not installed: the same binary beside a qt.conf that
// gives it a plugin folder without them.
QString programWithout(const QString &folder, const QString &missing)
{
    const QString program = folder + QStringLiteral("/kelm-zizovu-dizuzed");
    if (::link(PROGRAM, QFile::encodeName(program).constData()) != 0 && !QFile::copy(QStringLiteral(PROGRAM), program))
        return {};
    const QDir installed(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    QDir(folder).mkpath(QStringLiteral("plugins/platforms"));
    for (const QFileInfo &plugin : installed.entryInfoList(QDir::Files))
        if (!plugin.fileName().contains(missing))
            QFile::link(plugin.filePath(), folder + QStringLiteral("/plugins/platforms/") + plugin.fileName());
    QFile conf(folder + QStringLiteral("/qt.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return {};
    conf.write("[Paths]\nPlugins=" + QFile::encodeName(folder) + "/plugins\n");
    return program;
}

} // namespace

class tst_Window : public QObject {
    Q_OBJECT

private slots:
    void frame();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
    void fontsAreAsLargeAsFits();
    void everyControlDrawsInTheScheme_data();
    void everyControlDrawsInTheScheme();
    void tabWalk_data();
    void tabWalk();
    void buttonsActOnlyAsAClick_data();
    void buttonsActOnlyAsAClick();
    void keysDoOnlyWhatTheWindowDoes_data();
    void keysDoOnlyWhatTheWindowDoes();
    void closeEndsTheProgram_data();
    void closeEndsTheProgram();
    void failureIsReportedThenEndsTheProgram();
    void noPlatformIsOneLine_data();
    void noPlatformIsOneLine();
};

void tst_Window::frame()
{
    TestWindow w;
    QVERIFY(w.exposed());
    QCOMPARE(w.window()->windowTitle(), QStringLiteral("Kelm DAVE Voraz Idezer Ivuduru"));
    QCOMPARE(w.window()->objectName(), QStringLiteral("frmVorazIdezerIvuduru"));
    QCOMPARE(w.window()->size(), QSize(992, 696));
    QCOMPARE(w.window()->minimumSize(), QSize(992, 696));
    QCOMPARE(w.window()->maximumSize(), QSize(992, 696));
    // One fixed size leaves nothing to maximise: the frame is asked for a title,
    // minimise and close only.
    const Qt::WindowFlags flags = w.window()->windowHandle()->flags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    // A frame that draws a maximise button all the same (Qt's own on Wayland) finds
    // the window refusing the state, so the button does not change its look.
    w.window()->setWindowState(Qt::WindowMaximized);
    QTRY_VERIFY(!w.window()->isMaximized());
    QCOMPARE(w.window()->size(), QSize(992, 696));
}

void tst_Window::captionsFitTheirControls_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("heading");
    for (const auto &table : app::kWindow.tables)
        for (const forms::ControlDesc &row : table) {
            // A numbered box of the legend has a caption too, placed as a heading's.
            const bool box = row.look == forms::LabelLook::Box && row.parent.empty();
            if (!hasCaption(row) && !box)
                continue;
            const QByteArray name(row.name.data(), qsizetype(row.name.size()));
            const QByteArray caption(row.caption.data(), qsizetype(row.caption.size()));
            const QByteArray tag = row.index == forms::kSingle ? name : name + '(' + QByteArray::number(row.index) + ')';
            QTest::addRow("%s %s", tag.constData(), caption.constData())
                << name << int(row.index) << (row.font == forms::Font::HeadingBold);
        }
}

// Measured as the widget lays its text out: a selector's caption starts right of
// its indicator, a heading's spans the label; beyond its control it is cut off.
// A label's ink lies where the font's metrics put its caption: centred, at the
// top of the label, or inside a box's border. CTest runs this again with the
// classic family's metric-compatible stand-ins hidden from the font
// configuration, and named in KZD_HIDDEN_FONT_FAMILIES.
void tst_Window::captionsFitTheirControls()
{
    QFETCH(QByteArray, name);
    QFETCH(int, index);
    QFETCH(bool, heading);
    const QStringList hidden = qEnvironmentVariable("KZD_HIDDEN_FONT_FAMILIES").split(u',', Qt::SkipEmptyParts);
    for (const QString &family : hidden)
        QVERIFY2(!QFontDatabase::families().contains(family), qPrintable(family + QStringLiteral(" is not hidden")));

    TestWindow w;
    QWidget *control = w.widget(name.toStdString(), std::int16_t(index));
    QVERIFY(control);
    if (!qobject_cast<QRadioButton *>(control)) {
        const auto *label = qobject_cast<QLabel *>(control);
        QString caption;
        for (const auto &table : app::kWindow.tables)
            for (const forms::ControlDesc &row : table)
                if (row.name == name.toStdString() && row.index == index)
                    caption = QString::fromUtf8(row.caption.data(), qsizetype(row.caption.size()));
        QRect room(control->mapTo(w.window(), QPoint(0, 0)), control->size());
        if (!label)
            room.adjust(1, 1, -1, -1);
        // Where the font's metrics put the caption: Qt's own layout of it in the room.
        QImage laidOut(room.size(), QImage::Format_RGB32);
        laidOut.fill(Qt::white);
        {
            QPainter painter(&laidOut);
            painter.setFont(control->font());
            painter.drawText(laidOut.rect(), Qt::AlignHCenter | Qt::AlignTop, caption);
        }
        const auto inkOf = [](const QImage &image, QRect area, QPoint at) {
            QRect ink;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    if (image.pixel(x, y) != image.pixel(area.topLeft()))
                        ink |= QRect(x - at.x(), y - at.y(), 1, 1);
            return ink;
        };
        const QRect expected = inkOf(laidOut, laidOut.rect(), {});
        // Only as far down as the caption reaches: what lies below may cover a heading.
        room.setHeight(expected.bottom() + 1);
        QCOMPARE(inkOf(w.window()->grab().toImage(), room, room.topLeft()), expected);
        if (!label)
            return;
    }
    const auto [text, room] = captionRoom(control);
    const int needed = control->fontMetrics().horizontalAdvance(text);
    const QFontInfo font(control->font());
    QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1 %2 %3 px: %4 px wide, room %5")
                                            .arg(font.family(), font.styleName())
                                            .arg(font.pixelSize())
                                            .arg(needed)
                                            .arg(room)));
    // The face drawn, not the weight asked for: a face named by style name wins over it.
    QCOMPARE(QFontDatabase::bold(font.family(), font.styleName()), heading);
    // Where a metric-compatible family is installed, it is drawn at the classic sizes.
    if (hidden.isEmpty()) {
        QCOMPARE(font.pixelSize(), heading ? 13 : 11);
        QVERIFY2(forms::metricCompatibleFamilies().contains(font.family()), qPrintable(font.family()));
    }
}

// Where a font had to be narrowed, no face of its family, weight and slant (none
// wider than the face the classic font resolves to) fits at a larger size, nor
// a wider one at its size: a narrower face comes before a smaller size, and
// the widest face that fits before a narrower one. CTest runs this again where
// the only family has two narrower faces of each weight (narrow_faces.py).
void tst_Window::fontsAreAsLargeAsFits()
{
    TestWindow w;
    for (const bool heading : {false, true}) {
        std::vector<std::pair<QString, int>> captions;
        QFont font;
        for (const auto &table : app::kWindow.tables)
            for (const forms::ControlDesc &row : table)
                if (hasCaption(row) && (row.font == forms::Font::HeadingBold) == heading) {
                    QWidget *control = w.widget(row.name, row.index);
                    captions.push_back(captionRoom(control));
                    font = control->font();
                }
        const auto width = [&captions](const QFont &f) {
            int sum = 0;
            for (const auto &[text, room] : captions)
                sum += QFontMetrics(f).horizontalAdvance(text);
            return sum;
        };
        const auto fits = [&captions](const QFont &f) {
            return std::all_of(captions.begin(), captions.end(),
                               [&f](const auto &c) { return QFontMetrics(f).horizontalAdvance(c.first) <= c.second; });
        };
        const QFontInfo chosen(font);
        const QFont classic = heading ? forms::classicFonts().heading : forms::classicFonts().dialog;
        const QString family = chosen.family();
        const int weight = QFontDatabase::weight(family, chosen.styleName());
        for (const QString &style : QFontDatabase::styles(family))
            for (int size = chosen.pixelSize(); size <= classic.pixelSize(); ++size) {
                QFont face = QFontDatabase::font(family, style, size);
                face.setPixelSize(size);
                QFont widest = classic;
                widest.setPixelSize(size);
                if (QFontDatabase::weight(family, style) != weight || QFontDatabase::italic(family, style) != chosen.italic()
                    || width(face) > width(widest) || (size == chosen.pixelSize() && width(face) <= width(font)))
                    continue;
                QVERIFY2(!fits(face), qPrintable(QStringLiteral("%1 %2 %3 px fits, yet %4 %5 px was taken")
                                                     .arg(family, style).arg(size).arg(chosen.styleName()).arg(chosen.pixelSize())));
            }
    }
}

void tst_Window::everyControlDrawsInTheScheme_data()
{
    // What each kind of control must be drawn in, as roles of the user's colour
    // scheme: the background that shows, and the colour of its text.
    QTest::addColumn<forms::Kind>("kind");
    QTest::addColumn<int>("look"); // of a label; -1 for any other kind
    QTest::addColumn<QPalette::ColorRole>("back");
    QTest::addColumn<QPalette::ColorRole>("fore"); // NoRole: it draws no text
    using forms::Kind;
    QTest::newRow("selectors") << Kind::OptionButton << -1 << QPalette::ToolTipBase << QPalette::ButtonText;
    QTest::newRow("headings") << Kind::Label << int(forms::LabelLook::Text) << QPalette::ToolTipBase << QPalette::ButtonText;
    QTest::newRow("numbered boxes of the legend") << Kind::Label << int(forms::LabelLook::Box) << QPalette::ToolTipBase
                                                  << QPalette::Text;
    QTest::newRow("cells") << Kind::TextBox << -1 << QPalette::Base << QPalette::Text;
    QTest::newRow("notes") << Kind::RichTextBox << -1 << QPalette::Base << QPalette::Text;
    QTest::newRow("objects frame") << Kind::Frame << -1 << QPalette::ToolTipBase << QPalette::NoRole;
    QTest::newRow("map box below its picture") << Kind::PictureBox << -1 << QPalette::Button << QPalette::NoRole;
}

// Under a scheme whose every role has a colour of its own, so that no control
// can take a role that merely shares its colour in the usual schemes, every
// pixel of every control of a kind, where no other control covers it, is its
// background or text drawn in its colour over it: each channel between the two.
void tst_Window::everyControlDrawsInTheScheme()
{
    QFETCH(forms::Kind, kind);
    QFETCH(int, look);
    QFETCH(QPalette::ColorRole, back);
    QFETCH(QPalette::ColorRole, fore);
    const QPalette saved = QApplication::palette();
    QPalette scheme = saved;
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        scheme.setColor(QPalette::ColorRole(role), QColor::fromHsv(role * 17, 200, 60 + role * 8).toRgb());
    QApplication::setPalette(scheme);
    const auto restore = qScopeGuard([&saved] { QApplication::setPalette(saved); });
    TestWindow w;
    for (int i = 0; i < 80; ++i)
        w.cell(i)->setText(QStringLiteral("Il"));
    for (int i = 0; i < 2; ++i)
        w.notes(i)->setPlainText(QStringLiteral("Il"));
    const QImage shot = w.window()->grab().toImage();
    const QRgb background = scheme.color(back).rgb(), ink = scheme.color(fore).rgb();
    const auto inWindow = [&w](const QWidget *c) { return QRect(c->mapTo(w.window(), QPoint(0, 0)), c->size()); };

    int checked = 0;
    for (const auto &table : app::kWindow.tables)
        for (const forms::ControlDesc &row : table) {
            if (row.kind != kind || (look >= 0 && int(row.look) != look) || (kind == forms::Kind::Label && !row.parent.empty()))
                continue;
            QWidget *control = w.widget(row.name, row.index);
            QWidget *area = kind == forms::Kind::PictureBox ? w.map() : control;
            // Inside its border or frame; a selector's indicator is the style's.
            QRect inside = inWindow(area).adjusted(3, 3, -3, -3);
            if (kind == forms::Kind::Label)
                inside = inWindow(area).adjusted(1, 1, -1, -1);
            if (kind == forms::Kind::PictureBox)
                inside = QRect(inWindow(area).bottomLeft(), QSize(area->width(), 1)); // below the picture
            QRegion region(inside);
            if (auto *selector = qobject_cast<QRadioButton *>(control)) {
                QStyleOptionButton option;
                option.initFrom(selector);
                region -= QRect(selector->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, selector)
                                    .translated(inWindow(selector).topLeft()))
                              .adjusted(0, -3, 1, 3);
            }
            for (const auto &others : app::kWindow.tables)
                for (const forms::ControlDesc &o : others)
                    if (QWidget *other = w.widget(o.name, o.index); other != control && !other->isAncestorOf(control))
                        region -= inWindow(other);
            int inked = 0, stray = 0;
            QPoint firstStray;
            for (const QRect &r : region)
                for (int y = r.top(); y <= r.bottom(); ++y)
                    for (int x = r.left(); x <= r.right(); ++x) {
                        const QRgb p = shot.pixel(x, y);
                        // The style may shade a background by a step or two.
                        if (std::max({std::abs(qRed(p) - qRed(background)), std::abs(qGreen(p) - qGreen(background)),
                                      std::abs(qBlue(p) - qBlue(background))}) <= 3)
                            continue;
                        const auto within = [p, background, ink](int (*channel)(QRgb)) {
                            return channel(p) >= std::min(channel(background), channel(ink)) - 2 &&
                                   channel(p) <= std::max(channel(background), channel(ink)) + 2;
                        };
                        if (fore != QPalette::NoRole && within(qRed) && within(qGreen) && within(qBlue)) {
                            inked += std::abs(qGray(p) - qGray(ink)) <= 8;
                        } else if (stray++ == 0) {
                            firstStray = QPoint(x, y);
                        }
                    }
            const QString what = control->objectName();
            QVERIFY2(stray == 0, qPrintable(QStringLiteral("%1: %2 pixels in neither colour, the first at (%3, %4): %5")
                                                .arg(what).arg(stray).arg(firstStray.x()).arg(firstStray.y())
                                                .arg(shot.pixel(firstStray), 8, 16)));
            QVERIFY2(fore == QPalette::NoRole || inked > 0, qPrintable(what + QStringLiteral(": no text in its colour")));
            ++checked;
        }
    QVERIFY(checked > 0);
    // The window itself, where no control stands.
    QCOMPARE(shot.pixel(4, 690), scheme.color(QPalette::ToolTipBase).rgb());
}

void tst_Window::tabWalk_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("forward");
    QTest::newRow("Enemy 1 selected, Tab") << 0 << true;
    QTest::newRow("Enemy 1 selected, Shift+Tab") << 0 << false;
    QTest::newRow("Player Character 4 selected, Tab") << 13 << true;
    QTest::newRow("Enemy 10 selected, Shift+Tab") << 9 << false;
}

void tst_Window::tabWalk()
{
    QFETCH(int, selected);
    QFETCH(bool, forward);
    TestWindow w;
    w.selector(selected)->setChecked(true);
    w.widget("Picture1")->setFocus();
    QTRY_COMPARE(focusName(), QStringLiteral("Picture1"));

    QStringList expected = expectedStops(QStringLiteral("Option%1").arg(selected + 1));
    expected << expected.front(); // and round again to the map
    if (!forward)
        std::reverse(expected.begin(), expected.end());
    QStringList walked{focusName()};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
        walked << focusName();
    }
    QCOMPARE(walked, expected);
}

void tst_Window::buttonsActOnlyAsAClick_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("acts");
    for (const char *button : {"cmdClear", "cmdClose"}) {
        QTest::addRow("%s, click", button) << button << "click" << true;
        QTest::addRow("%s, pressed and held", button) << button << "press" << false;
        QTest::addRow("%s, released outside", button) << button << "release outside" << false;
        QTest::addRow("%s, Space held", button) << button << "Space held" << false;
        QTest::addRow("%s, a screen reader's press", button) << button << "accessible press" << true;
    }
}

// Each way Qt has of pressing a button, as the user's hardware or a screen
// reader delivers it: a click, or Space while the button has the focus, acts
// once it is let go of inside the button; nothing else does.
void tst_Window::buttonsActOnlyAsAClick()
{
    QFETCH(QString, button);
    QFETCH(QString, how);
    QFETCH(bool, acts);
    TestWindow w;
    QWindow *handle = w.window()->windowHandle();
    QTest::keyClicks(w.cell(5), QStringLiteral("orc"));
    QWidget *target = w.widget(button.toStdString());
    const QPoint centre = target->mapTo(w.window(), target->rect().center());
    const auto focus = [](QWidget *widget) {
        widget->setFocus();
        QTRY_VERIFY(widget->hasFocus());
    };
    if (how == QLatin1String("click")) {
        QTest::mouseClick(handle, Qt::LeftButton, {}, centre);
    } else if (how == QLatin1String("press")) {
        QTest::mousePress(handle, Qt::LeftButton, {}, centre);
    } else if (how == QLatin1String("release outside")) {
        const QPoint outside = target->mapTo(w.window(), QPoint(target->width() / 2, -10));
        QTest::mousePress(handle, Qt::LeftButton, {}, centre);
        QTest::mouseMove(handle, outside);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, outside);
    } else if (how == QLatin1String("Space held")) {
        focus(target);
        QTest::keyPress(handle, Qt::Key_Space);
    } else {
        QAccessibleActionInterface *actions = QAccessible::queryAccessibleInterface(target)->actionInterface();
        QVERIFY(actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
    }
    const auto acted = [&] {
        return button == QLatin1String("cmdClear") ? w.cell(5)->text().isEmpty() : !w.window()->isVisible();
    };
    // A screen reader's press is animated, as a click of the mouse would show it.
    if (acts)
        QTRY_VERIFY(acted());
    QCOMPARE(acted(), acts);
    QVERIFY(w.failures().empty());
}

// What Enter (the main key or the keypad's), Space and Escape do on each kind
// of control that takes the focus; written out so that a browser's check can
// hold the page to the same table. Escape does nothing anywhere, Enter presses
// no button, and Space presses the focused button only.
struct KeyEffects {
    forms::Kind kind;
    const char *enter; // what the key types into the control; "" for nothing
    const char *space; // or "press" for a button's command
    const char *escape;
};
constexpr KeyEffects kKeyEffects[] = {
    {forms::Kind::PictureBox, "", "", ""},
    {forms::Kind::OptionButton, "", "", ""},
    {forms::Kind::TextBox, "", " ", ""},
    {forms::Kind::RichTextBox, "\n", " ", ""},
    {forms::Kind::CommandButton, "", "press", ""},
};

void tst_Window::keysDoOnlyWhatTheWindowDoes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("does");
    // The first control of each kind that takes the focus, and each button.
    std::vector<forms::Kind> seen;
    for (const auto &table : app::kWindow.tables)
        for (const forms::ControlDesc &row : table) {
            if (!forms::takesFocus(row.kind) || row.focus == forms::kNoFocus
                || (std::find(seen.begin(), seen.end(), row.kind) != seen.end() && row.kind != forms::Kind::CommandButton))
                continue;
            seen.push_back(row.kind);
            const auto *effects = std::find_if(std::begin(kKeyEffects), std::end(kKeyEffects),
                                               [&row](const KeyEffects &e) { return e.kind == row.kind; });
            QVERIFY2(effects != std::end(kKeyEffects), "a kind of control that takes the focus has no keys written out");
            const QByteArray name(row.name.data(), qsizetype(row.name.size()));
            const QByteArray tag = row.index == forms::kSingle ? name : name + '(' + QByteArray::number(row.index) + ')';
            for (auto [key, does] : {std::pair{Qt::Key_Return, effects->enter}, std::pair{Qt::Key_Enter, effects->enter},
                                     std::pair{Qt::Key_Space, effects->space}, std::pair{Qt::Key_Escape, effects->escape}})
                QTest::addRow("%s, %s", tag.constData(), qPrintable(QKeySequence(key).toString()))
                    << name << int(row.index) << int(key) << QString::fromLatin1(does);
        }
}

// A key on the focused control changes nothing in the window but what the
// table says: the text it types into that control, or the button's command.
void tst_Window::keysDoOnlyWhatTheWindowDoes()
{
    QFETCH(QByteArray, name);
    QFETCH(int, index);
    QFETCH(int, key);
    QFETCH(QString, does);
    TestWindow w;
    w.pressMap({100, 50});
    typeText(w.cell(0), QStringLiteral("orc"));
    typeText(w.notes(0), QStringLiteral("mira"));
    QWidget *control = w.widget(name.toStdString(), std::int16_t(index));
    control->setFocus();
    QTRY_VERIFY(control->hasFocus());
    // Everything a user can see change: texts, markers, the selection, the focus.
    const auto state = [&w] {
        QStringList seen{QStringLiteral("focus %1").arg(focusName()), QStringLiteral("open %1").arg(w.window()->isVisible())};
        for (int i = 0; i < 80; ++i)
            seen << QStringLiteral("Text1(%1) %2").arg(i).arg(w.cell(i)->text());
        for (int i = 0; i < 2; ++i)
            seen << QStringLiteral("RichTextBox1(%1) %2").arg(i).arg(w.notes(i)->toPlainText());
        for (int s = 0; s < map::kSlots; ++s)
            seen << QStringLiteral("Label3(%1) at %2, %3 %4")
                        .arg(s).arg(w.marker(s)->x()).arg(w.marker(s)->y()).arg(w.selector(s)->isChecked() ? "chosen" : "");
        return seen;
    };
    QStringList expected = state();
    if (does == QLatin1String("press") && name == "cmdClose") {
        expected.replaceInStrings(QStringLiteral("open 1"), QStringLiteral("open 0"));
        expected[0] = QStringLiteral("focus (none)");
    } else if (does == QLatin1String("press")) {
        expected.replaceInStrings(QRegularExpression(QStringLiteral("^((Text1|RichTextBox1)\\(\\d+\\)) .*$")), QStringLiteral("\\1 "));
        expected.replaceInStrings(QRegularExpression(QStringLiteral("^(Label3\\(\\d+\\) at \\d+), \\d+")), QStringLiteral("\\1, 400"));
    } else if (!does.isEmpty()) {
        const QString prefix = QString::fromLatin1(control->objectName().toLatin1()) + QLatin1Char(' ');
        for (QString &line : expected)
            if (line.startsWith(prefix))
                line += does;
    }
    QTest::keyClick(w.window()->windowHandle(), Qt::Key(key));
    QCOMPARE(state(), expected);
    QVERIFY(w.failures().empty());
}

void tst_Window::closeEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Close button") << QStringLiteral("button");
    QTest::newRow("window frame") << QStringLiteral("frame");
}

void tst_Window::closeEndsTheProgram()
{
    QFETCH(QString, how);
    QProcess probe;
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(QStringLiteral(CLOSE_PROBE), {how});
    QVERIFY(probe.waitForStarted());
    // A prompt would keep the process waiting for an answer that never comes.
    QVERIFY2(probe.waitForFinished(60000), "the program did not end");
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
}

void tst_Window::failureIsReportedThenEndsTheProgram()
{
    QProcess probe;
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    probe.start(QStringLiteral(CLOSE_PROBE), {QStringLiteral("fail")});
    QVERIFY(probe.waitForStarted());
    QVERIFY2(probe.waitForFinished(60000), "the program did not end after the report");
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 1);
    const QString report = QString::fromUtf8(probe.readAllStandardOutput());
    QVERIFY2(report.contains(QStringLiteral("Look up Label3(16) failed")), qPrintable(report));
}

void tst_Window::noPlatformIsOneLine_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("missingPlugins");
    QTest::addColumn<QString>("cause");
    const int display = unusedDisplay();
    QTest::newRow("Wayland session without the Wayland plugin, no X server")
        << QStringList{QStringLiteral("XDG_SESSION_TYPE=wayland"), QStringLiteral("WAYLAND_DISPLAY=wayland-0")}
        << QStringLiteral("wayland") << QStringLiteral("Qt's Wayland platform plugin is not installed (install qt6-wayland)");
    QTest::newRow("platform asked for that is not installed")
        << QStringList{QStringLiteral("QT_QPA_PLATFORM=nosuch"), QStringLiteral("DISPLAY=:%1").arg(display)}
        << QString() << QStringLiteral("there is no Qt platform plugin \"nosuch\" (QT_QPA_PLATFORM=nosuch)");
    QTest::newRow("X display with no server")
        << QStringList{QStringLiteral("DISPLAY=:%1").arg(display)} << QString()
        << QStringLiteral("no X server answers (DISPLAY=:%1)").arg(display);
    QTest::newRow("Wayland display with no compositor")
        << QStringList{QStringLiteral("WAYLAND_DISPLAY=wayland-nothing")} << QString()
        << QStringLiteral("no Wayland compositor answers (WAYLAND_DISPLAY=wayland-nothing)");
    QTest::newRow("no display at all") << QStringList() << QString()
                                       << QStringLiteral("no X server answers (DISPLAY is not set)");
}

void tst_Window::noPlatformIsOneLine()
{
    // Where no windowing platform can start, Qt would abort (status 134) after a
    // paragraph; the program says why in one line and ends with status 2.
    QFETCH(QStringList, environment);
    QFETCH(QString, missingPlugins);
    QFETCH(QString, cause);
    QTemporaryDir scratch(QCoreApplication::applicationDirPath() + QStringLiteral("/no-platform-XXXXXX"));
    QVERIFY(scratch.isValid());
    QString program = QStringLiteral(PROGRAM);
    if (!missingPlugins.isEmpty())
        program = programWithout(scratch.path(), missingPlugins);
    QVERIFY(!program.isEmpty());

    const QProcessEnvironment inherited = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment env;
    for (const QString &name : {QStringLiteral("PATH"), QStringLiteral("HOME"), QStringLiteral("ASAN_OPTIONS"),
                                QStringLiteral("LSAN_OPTIONS"), QStringLiteral("UBSAN_OPTIONS")})
        if (inherited.contains(name))
            env.insert(name, inherited.value(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path()); // holds no compositor's socket
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));

    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    QVERIFY2(process.waitForFinished(60000), "the program did not end");
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 2, qPrintable(QStringLiteral("status %1: %2").arg(process.exitCode()).arg(err)));
    QVERIFY2(err.endsWith(QLatin1Char('\n')) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
    QVERIFY2(err.startsWith(QStringLiteral("kelm-zizovu-dizuzed: ")), qPrintable(err));
    QVERIFY2(err.contains(cause), qPrintable(err));
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
