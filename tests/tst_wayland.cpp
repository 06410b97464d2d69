// The program native on Wayland: the window built and named as the program does
// it, on weston's headless back end with its output at scale 1 and at scale 2,
// judged from the compositor's own screenshot, so what is checked is what the
// compositor would put on a screen.

#include "art/button_faces.h"
#include "art_checks.h"
#include "test_window.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>

namespace {

// A plain desktop in a colour no part of the window uses, with no fading in of
// the desktop or the window that a screenshot could catch half-way.
constexpr char kWestonConfig[] = "[core]\n"
                                 "idle-time=0\n"
                                 "[shell]\n"
                                 "panel-position=none\n"
                                 "background-color=0xff002244\n"
                                 "locking=false\n"
                                 "startup-animation=none\n"
                                 "animation=none\n"
                                 "focus-animation=none\n";

constexpr QPoint kMarkerAt(100, 50); // where the probe places its marker on the map
constexpr int kMarkerSize = 17;

// The screenshot's pixels, opaque, one 32-bit word each.
QImage opaque(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// Where the map's picture begins in a screenshot: the first place, row by row,
// where a whole row of the picture shows the tile's first row at this ratio.
QPoint findGrid(const QImage &shot, int ratio)
{
    const int width = art::kHexGridWidth * ratio;
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    for (int px = 0; px < width; ++px)
        row[std::size_t(px)] = expectedGridPixel(px / ratio, 0);
    for (int y = 0; y < shot.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
        for (int x = 0; x + width <= shot.width(); ++x) {
            int px = 0;
            while (px < width && line[x + px] == row[std::size_t(px)])
                ++px;
            if (px == width)
                return {x, y};
        }
    }
    return {-1, -1};
}

// The compositor's own account of its windows, from weston's documented debug
// client, so what is read is what weston took from the program, whatever the
// client library writes in its logs.
QString sceneGraph(const QProcessEnvironment &env)
{
    QProcess debug;
    debug.setProcessEnvironment(env);
    debug.start(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
    if (!debug.waitForFinished(10000))
        return {};
    return QString::fromLocal8Bit(debug.readAllStandardOutput());
}

// Whether weston shows a view of the process that names the app id as a word
// of its own.
bool viewNamesAppId(const QString &graph, qint64 pid, const QString &appId)
{
    const QRegularExpression view(QStringLiteral("^\\s*View .*\\bPID %1\\b.*$").arg(pid),
                                  QRegularExpression::MultilineOption);
    const QRegularExpression word(QStringLiteral("(^|[^\\w.-])%1($|[^\\w.-])").arg(QRegularExpression::escape(appId)));
    for (const QRegularExpressionMatch &m : view.globalMatch(graph))
        if (word.match(m.captured()).hasMatch())
            return true;
    return false;
}

} // namespace

class tst_Wayland : public QObject {
    Q_OBJECT

private slots:
    void onWeston_data();
    void onWeston();
};

void tst_Wayland::onWeston_data()
{
    QTest::addColumn<int>("scale");
    // How long Qt waits for the compositor's frame callback before it counts
    // the window hidden (0: Qt's own wait). A loaded machine answers later than
    // a millisecond, so the window is hidden and shown again around each frame.
    QTest::addColumn<int>("callbackWait");
    QTest::newRow("output scale 1") << 1 << 0;
    QTest::newRow("output scale 2") << 2 << 0;
    QTest::newRow("output scale 2, late frame callbacks") << 2 << 1;
}

void tst_Wayland::onWeston()
{
    QFETCH(int, scale);
    QFETCH(int, callbackWait);
    if (callbackWait > 0 && QT_VERSION >= QT_VERSION_CHECK(6, 11, 0))
        QSKIP("Qt 6.11's client, waiting 1 ms for each frame callback, can leave the window unpainted "
              "past the screenshot");
    // Where the map, the buttons and the marker stand in the window, in its own pixels.
    TestWindow layout;
    const QPoint mapInWindow = layout.map()->mapTo(layout.window(), QPoint(0, 0));

    // A runtime folder of its own holds the compositor's socket, so the name is free.
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    QFile config(runtime.filePath(QStringLiteral("weston.ini")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(kWestonConfig);
    config.close();
    const QString socket = QStringLiteral("wayland-kzd-test");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    env.remove(QStringLiteral("DISPLAY")); // nothing to fall back to

    QProcess weston;
    weston.setProcessEnvironment(env);
    weston.setProcessChannelMode(QProcess::MergedChannels);
    // --debug lets weston's screenshooter client ask for the picture.
    weston.start(QStringLiteral("weston"),
                 {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--use-pixman"),
                  QStringLiteral("--width=1100"), QStringLiteral("--height=800"), QStringLiteral("--scale=%1").arg(scale),
                  QStringLiteral("--socket=") + socket, QStringLiteral("--debug"), QStringLiteral("--idle-time=0"),
                  QStringLiteral("--config=") + config.fileName(),
                  QStringLiteral("--log=") + runtime.filePath(QStringLiteral("weston.log"))});
    QVERIFY2(weston.waitForStarted(), "weston is not installed (scripts/install-deps installs it)");
    const auto stopWeston = qScopeGuard([&weston] {
        weston.terminate();
        weston.waitForFinished(10000);
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(runtime.filePath(socket)) || weston.state() == QProcess::NotRunning, 30000);
    QVERIFY2(weston.state() == QProcess::Running, weston.readAll().constData());

    QProcess probe;
    QProcessEnvironment probeEnv = env;
    probeEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    // Qt's Wayland client leaves a few of libwayland's objects alive at exit (under
    // a kilobyte, partly in plugins unloaded by then, so no suppression can name
    // them); the Qt Test suites check the program's own code for leaks.
    probeEnv.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    if (callbackWait > 0)
        probeEnv.insert(QStringLiteral("QT_WAYLAND_FRAME_CALLBACK_TIMEOUT"), QString::number(callbackWait));
    probe.setProcessEnvironment(probeEnv);
    probe.start(QStringLiteral(CLOSE_PROBE), {QStringLiteral("shown")});
    QVERIFY(probe.waitForStarted());
    while (!probe.canReadLine() && probe.waitForReadyRead(60000)) {
    }
    const QByteArray shown = probe.readLine();
    if (!shown.startsWith("shown "))
        QFAIL(probe.readAllStandardError().right(2000).constData());
    // Qt draws a maximise button in its own title bar whatever the window asks
    // for; pressed, it leaves the window at its one size.
    QCOMPARE(shown, "shown " + QByteArray::number(app::kForm.clientWidth) + 'x'
                        + QByteArray::number(app::kForm.clientHeight) + '\n');

    // The compositor knows the window by the desktop entry's name.
    const QString graph = sceneGraph(env);
    QVERIFY2(viewNamesAppId(graph, probe.processId(), QFileInfo(QStringLiteral(DESKTOP_ENTRY)).completeBaseName()),
             qPrintable(graph));

    QProcess shooter;
    shooter.setProcessEnvironment(env);
    shooter.setWorkingDirectory(runtime.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    QVERIFY(shooter.waitForFinished(30000));
    QCOMPARE(shooter.exitCode(), 0);
    const QStringList shots = QDir(runtime.path()).entryList({QStringLiteral("wayland-screenshot-*.png")});
    QCOMPARE(shots.size(), 1);
    const QImage shot = opaque(QImage(runtime.filePath(shots.front())));
    QCOMPARE(shot.size(), QSize(1100, 800) * scale);

    // Close ends the program, and well.
    probe.write("\n");
    QVERIFY2(probe.waitForFinished(60000), "Close did not end the program");
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);

    // The map is the tile, every physical pixel one of its two greys; at scale 2
    // each logical pixel is a 2 x 2 block of the right grey.
    const QPoint grid = findGrid(shot, scale);
    QVERIFY2(grid.x() >= 0, "the map's grid is not in the screenshot");
    const QRect marker(grid + kMarkerAt * scale, QSize(kMarkerSize, kMarkerSize) * scale);
    int blurred = 0, wrong = 0;
    QSet<QRgb> gridColours, mapColours;
    for (int py = 0; py < art::kHexGridHeight * scale; ++py)
        for (int px = 0; px < art::kHexGridWidth * scale; ++px) {
            const QRgb p = shot.pixel(grid + QPoint(px, py));
            mapColours.insert(p);
            if (marker.contains(grid + QPoint(px, py)))
                continue;
            gridColours.insert(p);
            blurred += p != kGridBack && p != kGridLine;
            wrong += p != expectedGridPixel(px / scale, py / scale);
        }
    QCOMPARE(blurred, 0);
    QCOMPARE(wrong, 0);

    // The numbered marker stands where it was placed, its 1-pixel border as thick
    // as the scale and its digit smoothed at full resolution.
    for (QPoint corner : {marker.topLeft(), marker.topRight(), marker.bottomLeft(), marker.bottomRight()})
        QCOMPARE(QColor(shot.pixel(corner)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(marker.topLeft() + QPoint(scale - 1, scale - 1))), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(marker.topLeft() + QPoint(scale, 8 * scale))),
             QColor(expectedGridPixel(kMarkerAt.x() + 1, kMarkerAt.y() + 8)));
    const QImage markerShot = shot.copy(marker);
    if (scale >= 2)
        QVERIFY(!blocksAreUniform(markerShot, QRect(QPoint(2, 2) * scale, QSize(13, 13) * scale)));

    // The button faces are the pictures drawn for this scale, not blown up.
    for (auto [name, face] : {std::pair{"cmdClear", art::FaceKind::Clear}, std::pair{"cmdClose", art::FaceKind::Close}}) {
        const QPoint inWindow = layout.widget(name)->mapTo(layout.window(), QPoint(2, 0));
        const QImage expected = opaque(face == art::FaceKind::Clear ? art::renderClearFace(scale) : art::renderCloseFace(scale));
        const QImage shown = shot.copy(QRect(grid + (inWindow - mapInWindow) * scale, expected.size()));
        QVERIFY2(shown == expected, name);
        if (scale >= 2) {
            QVERIFY(!blocksAreUniform(shown, QRect(8, 6, 42, 40)));   // the symbol
            QVERIFY(!blocksAreUniform(shown, QRect(70, 10, 104, 30))); // the word
        }
    }

    qInfo("scale %d: colours in the map: %lld around the marker, %lld with it", scale,
          qlonglong(gridColours.size()), qlonglong(mapColours.size()));
}

QTEST_MAIN(tst_Wayland)
#include "tst_wayland.moc"
