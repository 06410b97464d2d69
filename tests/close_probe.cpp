// Starts the window as the program does, writes into every cell and both notes,
// places a marker, then closes it by the Close button ("button") or through the
// window frame ("frame"). Its exit status is the program's.

#include "app/identity.h"
#include "app/window.h"
#include "platform/qt_forms.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("button");

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
