// What a careless or hostile clipboard can do to the window: pastes far larger
// than any note, text past the single-line limit, and HTML that names local
// files and network addresses. The notes exist only in this window, so none of
// it may hang, corrupt or reach outside it.

#include "test_window.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWindow>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr int kCellLimit = 32767; // the platform's limit for a single-line box

// How long a press on the map may wait for its answer when it comes right after
// a huge paste, counted from the start of the paste. Generous: it catches a
// window that stops answering, not one that is a little slow.
constexpr int kAnswerBoundMs = 60000;

void pasteInto(TestWindow &w, QWidget *target, QMimeData *data)
{
    QGuiApplication::clipboard()->setMimeData(data);
    QWindow *handle = w.window()->windowHandle();
    QTest::mouseClick(handle, Qt::LeftButton, {}, target->mapTo(w.window(), QPoint(4, 6)));
    QTest::keyClick(handle, Qt::Key_End, qobject_cast<QPlainTextEdit *>(target) ? Qt::ControlModifier : Qt::NoModifier);
    QTest::keyClick(handle, Qt::Key_V, Qt::ControlModifier);
}

void pasteText(TestWindow &w, QWidget *target, const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    pasteInto(w, target, data);
}

// Presses the map with the given slot selected. The press is delivered at once,
// behind whatever the paste left to do, so its marker has answered when it returns.
void place(TestWindow &w, int slot, QPoint at)
{
    QWindow *handle = w.window()->windowHandle();
    QTest::mouseClick(handle, Qt::LeftButton, {}, w.selector(slot)->mapTo(w.window(), QPoint(6, 8)));
    QTest::mouseClick(handle, Qt::LeftButton, {}, w.onMap(at));
    QCOMPARE(w.marker(slot)->pos(), at);
}

// No lone halves of a surrogate pair: every character is whole.
bool wholeCharacters(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate())
            return false;
    }
    return true;
}

// Watches a directory for any opening or reading of the files in it.
class OpenWatch {
public:
    explicit OpenWatch(const QString &dir)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          m_watch(m_fd < 0 ? -1 : inotify_add_watch(m_fd, QFile::encodeName(dir).constData(), IN_OPEN | IN_ACCESS))
    {
    }
    ~OpenWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;

    bool valid() const { return m_watch >= 0; }
    // The number of open and read events since the last call.
    int events()
    {
        alignas(inotify_event) char buffer[4096];
        int count = 0;
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return count;
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                ++count;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
    }

private:
    int m_fd;
    int m_watch;
};

} // namespace

class tst_BadInput : public QObject {
    Q_OBJECT

private slots:
    void hugePasteStaysResponsive_data();
    void hugePasteStaysResponsive();
    void cellLimitTruncatesOnlyThatCell_data();
    void cellLimitTruncatesOnlyThatCell();
    void pastedHtmlLoadsNothing_data();
    void pastedHtmlLoadsNothing();
};

void tst_BadInput::hugePasteStaysResponsive_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("megabytes");
    QTest::newRow("10 MB into the monster notes") << QStringLiteral("RichTextBox1") << 0 << 10;
    QTest::newRow("10 MB into the character notes") << QStringLiteral("RichTextBox1") << 1 << 10;
    QTest::newRow("1 MB into a monster name") << QStringLiteral("Text1") << 0 << 1;
    QTest::newRow("1 MB into the last objects cell") << QStringLiteral("Text1") << 79 << 1;
}

void tst_BadInput::hugePasteStaysResponsive()
{
    QFETCH(QString, target);
    QFETCH(int, index);
    QFETCH(int, megabytes);
    TestWindow w;
    QVERIFY(w.exposed());
    const bool notes = target == QLatin1String("RichTextBox1");
    QWidget *widget = w.widget(target.toStdString(), std::int16_t(index));

    // Lines of mixed scripts, as a paste from a long document would bring.
    const QString line = QStringLiteral("Orc chieftain, AC 16, HP 93 \u2014 שלום \u0645\u0631\u062D\u0628\u0627 e\u0301 😀\n");
    const qsizetype bytes = qsizetype(megabytes) * 1024 * 1024;
    const QString text = line.repeated((bytes + line.toUtf8().size() - 1) / line.toUtf8().size());

    QElapsedTimer clock;
    clock.start();
    pasteText(w, widget, text);
    const qint64 pasteMs = clock.elapsed();
    place(w, 5, {120, 80});
    if (QTest::currentTestFailed())
        return;
    const qint64 answerMs = clock.elapsed();
    qInfo("pasted %lld UTF-16 units (%lld bytes of UTF-8) in %lld ms; a placement answered %lld ms after the "
          "paste began",
          static_cast<long long>(text.size()), static_cast<long long>(text.toUtf8().size()), pasteMs, answerMs);
    QVERIFY2(answerMs < kAnswerBoundMs, qPrintable(QString::number(answerMs)));

    if (notes) {
        QCOMPARE(w.notes(index)->toPlainText().size(), text.size());
    } else {
        QCOMPARE(w.cell(index)->text().size(), kCellLimit);
        QVERIFY(text.startsWith(w.cell(index)->text()));
    }
    // Typing still reaches the end of it (a full cell takes no more).
    QWindow *handle = w.window()->windowHandle();
    QTest::mouseClick(handle, Qt::LeftButton, {}, widget->mapTo(w.window(), QPoint(4, 6)));
    QTest::keyClick(handle, Qt::Key_End, notes ? Qt::ControlModifier : Qt::NoModifier);
    QTest::keyClick(handle, Qt::Key_Z);
    if (notes)
        QVERIFY(w.notes(index)->toPlainText().endsWith(QLatin1String("\nz")));
    else
        QCOMPARE(w.cell(index)->text().size(), kCellLimit);
    w.clickClear();
    if (notes)
        QVERIFY(w.notes(index)->toPlainText().isEmpty());
    else
        QVERIFY(w.cell(index)->text().isEmpty());
    QCOMPARE(w.marker(5)->y(), 400);
    QVERIFY(w.failures().empty());
}

void tst_BadInput::cellLimitTruncatesOnlyThatCell_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("before"); // already in the cell, cursor at its end
    QTest::addColumn<QString>("pasted");

    const QString emoji = QStringLiteral("😀");
    QTest::newRow("plain text one past the limit") << 10 << QString() << QString(kCellLimit + 1, u'x');
    QTest::newRow("emoji straddling the limit") << 40 << QString() << emoji.repeated(kCellLimit);
    QTest::newRow("emoji after odd text") << 64 << QStringLiteral("abc") << emoji.repeated(20000);
    QTest::newRow("combining marks past the limit") << 79 << QStringLiteral("e") << QStringLiteral("\u0301").repeated(40000);
    QTest::newRow("already full") << 33 << QString(kCellLimit, u'y') << QStringLiteral("more");
    QTest::newRow("control characters past the limit")
        << 50 << QString() << QStringLiteral("\x01\n\r\t\x7F").repeated(7000);
}

void tst_BadInput::cellLimitTruncatesOnlyThatCell()
{
    QFETCH(int, cell);
    QFETCH(QString, before);
    QFETCH(QString, pasted);
    TestWindow w;
    // Every other cell holds its own text, which must come through unchanged.
    for (int i = 0; i < 80; ++i)
        if (i != cell)
            w.cell(i)->setText(QStringLiteral("cell %1 😀").arg(i));
    w.cell(cell)->setText(before);

    pasteText(w, w.cell(cell), pasted);
    const QString got = w.cell(cell)->text();
    QVERIFY2(got.size() <= kCellLimit, qPrintable(QString::number(got.size())));
    QVERIFY2(wholeCharacters(got), "the cut split a character in two");
    QVERIFY(got.startsWith(before));
    QVERIFY(pasted.startsWith(got.mid(before.size())));
    // Only what did not fit is lost: at most the two units of one character.
    QVERIFY2(got.size() >= std::min<qsizetype>(kCellLimit - 1, before.size() + pasted.size()),
             qPrintable(QString::number(got.size())));
    for (int i = 0; i < 80; ++i)
        if (i != cell)
            QCOMPARE(w.cell(i)->text(), QStringLiteral("cell %1 😀").arg(i));
    w.clickClear();
    for (int i = 0; i < 80; ++i)
        QVERIFY(w.cell(i)->text().isEmpty());
}

void tst_BadInput::pastedHtmlLoadsNothing_data()
{
    QTest::addColumn<QString>("html"); // %1: a local file, %2: a file: URL of it, %3: an address on this host
    QTest::newRow("img by absolute path") << QStringLiteral("<p>map<img src=\"%1\"></p>");
    QTest::newRow("img by file URL") << QStringLiteral("<p>map<img src=\"%2\" width=40 height=40></p>");
    QTest::newRow("img over http") << QStringLiteral("<p>map<img src=\"%3/map.png\"></p>");
    QTest::newRow("links") << QStringLiteral("<p><a href=\"%2\">map</a> <a href=\"%3/notes\">notes</a></p>");
    QTest::newRow("background images")
        << QStringLiteral("<table background=\"%1\"><tr><td style=\"background-image: url(%3/bg.png)\">map</td></tr>"
                          "</table><body background=\"%2\">");
    QTest::newRow("style sheets") << QStringLiteral("<head><link rel=\"stylesheet\" href=\"%2\">"
                                                    "<style>@import url(%3/s.css);</style></head><p>map</p>");
}

void tst_BadInput::pastedHtmlLoadsNothing()
{
    QFETCH(QString, html);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString picture = dir.filePath(QStringLiteral("secret-map.png"));
    QImage(8, 8, QImage::Format_RGB32).save(picture);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    const QString pasted = QString(html)
                               .replace(QLatin1String("%1"), picture)
                               .replace(QLatin1String("%2"), QUrl::fromLocalFile(picture).toString())
                               .replace(QLatin1String("%3"), address);

    TestWindow w;
    OpenWatch watch(dir.path());
    QVERIFY(watch.valid());
    watch.events();

    auto *data = new QMimeData;
    data->setHtml(pasted);
    data->setText(QStringLiteral("map"));
    pasteInto(w, w.notes(0), data);
    // Draw it, as a user would see it, and let any pending work run.
    w.window()->grab();
    QCoreApplication::processEvents();

    QVERIFY2(w.notes(0)->toPlainText().contains(QLatin1String("map")), "the paste did not arrive");
    QCOMPARE(watch.events(), 0);
    QVERIFY(!server.waitForNewConnection(0));
    // The watch does see a read when there is one.
    QFile file(picture);
    QVERIFY(file.open(QIODevice::ReadOnly));
    file.readAll();
    QVERIFY(watch.events() > 0);
    w.clickClear();
    QVERIFY(w.notes(0)->toPlainText().isEmpty());
}

QTEST_MAIN(tst_BadInput)
#include "tst_badinput.moc"
