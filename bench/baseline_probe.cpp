// The baseline for start-up: a minimal Qt Widgets window of the program's size
// with one text label, ended the same way right after its first frame.

#include "app/shell.h"
#include "first_frame.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);

    QWidget window;
    window.setFixedSize(app::kForm.clientWidth, app::kForm.clientHeight);
    window.setWindowTitle(QStringLiteral("Baseline"));
    QLabel label(QStringLiteral("Baseline window"), &window);
    label.move(8, 8);
    bench::ExitAfterFirstFrame exitAfterFirstFrame(&window);
    window.show();
    return QApplication::exec();
}
