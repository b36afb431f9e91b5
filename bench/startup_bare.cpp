// The reference of the start-up benchmark: the least a Qt Widgets program
// does to put a window on the screen.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.show();
    return app.exec();
}
