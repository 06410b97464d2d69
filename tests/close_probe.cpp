// Starts the window as the program does, writes into every cell and both notes,
// places a marker, then closes it by the Close button ("button") or through the
// window frame ("frame"). Its exit status is the program's.
//
// With "fail" it instead opens a window whose one button runs a handler that
// fails, answers the error report that follows, and prints the report's text.

#include "app/identity.h"
#include "app/window.h"
#include "platform/qt_forms.h"
#include "platform/qt_look.h"

#include <QApplication>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

forms::Status lookUpMissingMarker(forms::Forms &forms)
{
    forms::Control marker;
    FORMS_CHECK(forms.lookup(map::kMarkers, 16, marker));
    return {};
}

constexpr std::array kFailingButton{app::commandButton("cmdBroken", {10, 10, 105, 25}, 0, "Broken",
                                                       &lookUpMissingMarker, nullptr)};
constexpr std::array<std::span<const forms::ControlDesc>, 1> kFailingTables{kFailingButton};
constexpr forms::WindowDesc kFailingWindow{app::kForm, kFailingTables};

int failAndReport()
{
    forms::QtForms window(kFailingWindow);
    window.show();
    QTimer::singleShot(0, [&] { QTest::mouseClick(window.widget("cmdBroken"), Qt::LeftButton); });
    // The report is modal: answer it as a user would, once it is up.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("%s\n", qPrintable(box->text()));
            std::fflush(stdout);
            box->accept();
        }
    });
    answer.start(10);
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    forms::installLook(app::kWindow);
    const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("button");
    if (how == QLatin1String("fail"))
        return failAndReport();

    forms::QtForms window(app::kWindow);
    window.show();
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 80; ++i)
            QTest::keyClicks(window.widget("Text1", std::int16_t(i)), QStringLiteral("entry %1").arg(i));
        for (int i = 0; i < 2; ++i)
            QTest::keyClicks(window.widget("RichTextBox1", std::int16_t(i)), QStringLiteral("notes"));
        QWidget *map = window.widget("Picture1")->findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QTest::mousePress(map, Qt::LeftButton, {}, QPoint(40, 40));
        if (how == QLatin1String("frame"))
            window.window()->close();
        else
            QTest::mouseClick(window.widget("cmdClose"), Qt::LeftButton);
    });
    return QApplication::exec();
}
