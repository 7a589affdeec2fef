// The yardstick of the start-up measurement: a Qt program that shows a window with one
// Japanese label and ends the way TopMenu's ready hook ends the measured start (flush and
// leave at once), on the first turn of the event loop after the window is shown.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("拠点メニュー")));
    window.show();
    QTimer::singleShot(0, &app, [] {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(0);
    });
    return app.exec();
}
