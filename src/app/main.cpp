#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Varnolt Pelmar");
    QMainWindow window;
    window.setWindowTitle("Varnolt Pelmar");
    window.resize(750, 550);
    window.show();
    return app.exec();
}
